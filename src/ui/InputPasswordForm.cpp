#include "ui/InputPasswordForm.h"

#include "ui/FontStandIns.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace kvizor {

TInputPasswordForm::TInputPasswordForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("InputPasswordForm"));
    setWindowTitle(QStringLiteral("Введите пароль"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("EditInputPassword"));
    m_edit->setAccessibleName(QStringLiteral("Пароль"));
    m_edit->setFont(QFont(TahomaFamily(), 11));
    m_edit->setEchoMode(QLineEdit::Password);
    m_edit->setMinimumWidth(260);

    m_showCharacters = new QCheckBox(QStringLiteral("Показывать символы"), this);
    m_showCharacters->setObjectName(QStringLiteral("CheckBoxPasswordChar"));

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("bOK"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("bCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_edit);
    layout->addWidget(m_showCharacters);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    // QDialog turns Esc into reject(), which is what Cancel does.
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_showCharacters, &QCheckBox::toggled, this, &TInputPasswordForm::onShowCharactersToggled);
}

void TInputPasswordForm::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        m_edit->clear();
        m_showCharacters->setChecked(false);
        m_edit->setEchoMode(QLineEdit::Password);
        m_edit->setFocus();
        if (parentWidget() != nullptr) {
            const QWidget* owner = parentWidget()->window();
            move(owner->geometry().center() - rect().center());
        }
    }
    QDialog::showEvent(event);
}

void TInputPasswordForm::done(int result)
{
    EnteredPassword = m_edit->text();
    QDialog::done(result);
}

void TInputPasswordForm::onShowCharactersToggled(bool checked)
{
    m_edit->setEchoMode(checked ? QLineEdit::Normal : QLineEdit::Password);
    m_edit->setFocus();
    m_edit->deselect();
    m_edit->setCursorPosition(m_edit->text().size());
}

} // namespace kvizor
