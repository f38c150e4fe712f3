#include "ui/WidgetPrompts.h"

#include "ui/DesignedSize.h"
#include "ui/InputPasswordForm.h"
#include "ui/InputUserNameForm.h"
#include "ui/RichTextRoutines.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>

namespace kvizor {

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// A message box is as narrow as its text, which cuts a longer caption in the title bar
// ("Внимание! Идет тест…"); a spacer under its contents holds it wide enough. The box sizes
// itself from its layout's minimum whenever it is shown.
std::unique_ptr<QMessageBox> withWholeCaption(std::unique_ptr<QMessageBox> box)
{
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        const QMargins margins = grid->contentsMargins();
        const int width = CaptionWidth(*box, box->windowTitle()) - margins.left() - margins.right();
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(),
                      0, 1, grid->columnCount());
    }
    return box;
}

} // namespace

WidgetPrompts::WidgetPrompts(QWidget* owner, TInputPasswordForm* passwordForm)
    : m_owner(owner), m_passwordForm(passwordForm), m_ownsPasswordForm(passwordForm == nullptr)
{
}

WidgetPrompts::~WidgetPrompts()
{
    // A form parented to the owner is deleted with it; one without a parent is ours.
    TInputPasswordForm* form = m_passwordForm;
    if (m_ownsPasswordForm && form != nullptr && form->parent() == nullptr)
        delete form;
}

std::unique_ptr<QMessageBox> WidgetPrompts::makeMessageBox(const QString& text, const QString& caption,
                                                           MessageIcon icon, QWidget* owner)
{
    return withWholeCaption(
        std::make_unique<QMessageBox>(boxIcon(icon), caption, text, QMessageBox::Ok, owner));
}

std::unique_ptr<QMessageBox> WidgetPrompts::makeYesNoBox(const QString& text, const QString& caption,
                                                         QWidget* owner, bool defaultYes)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, caption, text,
                                             QMessageBox::Yes | QMessageBox::No, owner);
    box->button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box->button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    if (defaultYes)
        box->setDefaultButton(QMessageBox::Yes);
    return withWholeCaption(std::move(box));
}

void WidgetPrompts::showMessage(const QString& text, const QString& caption, MessageIcon icon)
{
    makeMessageBox(text, caption, icon, m_owner)->exec();
}

bool WidgetPrompts::askYesNo(const QString& text, const QString& caption)
{
    return makeYesNoBox(text, caption, m_owner)->exec() == QMessageBox::Yes;
}

bool WidgetPrompts::askYesNoDefaultYes(const QString& text, const QString& caption)
{
    return makeYesNoBox(text, caption, m_owner, true)->exec() == QMessageBox::Yes;
}

std::optional<QString> WidgetPrompts::askPassword()
{
    TInputPasswordForm* form = m_passwordForm;
    if (form == nullptr) {
        form = new TInputPasswordForm(m_owner);
        m_passwordForm = form;
    }
    if (form->exec() != QDialog::Accepted)
        return std::nullopt;
    return form->EnteredPassword;
}

QString WidgetPrompts::chooseTestFile(const QString& startFolder)
{
    // Quizzes of Moodle (XML, GIFT) open too, converted into a test in memory.
    QFileDialog dialog(m_owner, QStringLiteral("Открыть"), startFolder,
                       QStringLiteral("Все тесты (*.kvf *.xml *.gift);;Тесты Kvizor (*.kvf);;"
                                      "Тесты Moodle XML (*.xml);;Тесты GIFT (*.gift)"));
    dialog.setObjectName(QStringLiteral("OpenDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("kvf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool WidgetPrompts::showRichText(const QString& richText, const QString& caption)
{
    return kvizor::ShowRichTextViewer(richText, caption, m_owner);
}

bool WidgetPrompts::showRichEditViewer(QWidget& control, const QString& caption)
{
    auto* edit = qobject_cast<QTextEdit*>(&control);
    return edit != nullptr && kvizor::ShowRichEditViewer(edit, caption, m_owner);
}

IdentificationResult WidgetPrompts::identify(const IdentificationRequest& request)
{
    if (m_userNameForm == nullptr)
        m_userNameForm = new TInputUserNameForm(m_owner, this);
    return m_userNameForm->Identify(request, [](QDialog& dialog) { return dialog.exec(); });
}

int WidgetPrompts::execDialog(QDialog& dialog)
{
    return dialog.exec();
}

} // namespace kvizor
