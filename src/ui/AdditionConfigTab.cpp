#include "ui/AdditionConfigTab.h"

#include "ui/AdditionConfigPrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace kvizor {

QPixmap StandardTabPicture(int standardPixmap)
{
    return QApplication::style()->standardIcon(QStyle::StandardPixmap(standardPixmap)).pixmap(32, 32);
}

QPixmap IconPicture(const QString& resource, int size)
{
    return QIcon(resource).pixmap(size, size);
}

bool TAdditionConfigContext::BrowseForFolder(QString& path) const
{
    const std::optional<QString> chosen =
        choosers.browseForFolder(owner, QStringLiteral("Пожалуйста, выберите папку"));
    path = chosen.value_or(QString());
    return chosen.has_value() && !path.isEmpty();
}

TAdditionConfigTab::TAdditionConfigTab(TAdditionConfigContext& context, const char* name,
                                       const char* applyName, const QString& caption, const QString& text,
                                       const QPixmap& picture, bool enterApplies)
    : m_context(context), Config(context.config), m_caption(caption), m_enterApplies(enterApplies)
{
    setObjectName(QLatin1String(name));
    auto* layout = new QVBoxLayout(this);

    auto* header = new QHBoxLayout;
    auto* pictureLabel = new QLabel(this);
    pictureLabel->setObjectName(QLatin1String(name) + QLatin1String("Picture"));
    pictureLabel->setPixmap(picture);
    pictureLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    pictureLabel->setFixedWidth(40);
    header->addWidget(pictureLabel);
    auto* textLabel = new QLabel(text, this);
    textLabel->setObjectName(QLatin1String(name) + QLatin1String("Text"));
    textLabel->setWordWrap(true);
    textLabel->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    header->addWidget(textLabel, 1);
    layout->addLayout(header);

    m_content = new QVBoxLayout;
    layout->addLayout(m_content);
    layout->addStretch(1);

    m_apply = new QPushButton(QStringLiteral("Применить"), this);
    m_apply->setObjectName(QLatin1String(applyName));
    m_apply->setAutoDefault(false);
    m_apply->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    layout->addWidget(m_apply);
    connect(m_apply, &QPushButton::clicked, this, &TAdditionConfigTab::applyTab);
}

void TAdditionConfigTab::showTab()
{
    load();
    m_apply->setEnabled(false);
}

void TAdditionConfigTab::applyTab()
{
    // Enter reaches here through the dialog's default button only while it is enabled;
    // a direct call obeys the same rule.
    if (!m_apply->isEnabled())
        return;
    apply();
    if (disablesApplyWhenApplied())
        m_apply->setEnabled(false);
}

void TAdditionConfigTab::setChanged() const
{
    m_apply->setEnabled(true);
}

void TAdditionConfigTab::watch(QLineEdit* edit) const
{
    connect(edit, &QLineEdit::textChanged, this, &TAdditionConfigTab::setChanged);
}

void TAdditionConfigTab::watch(QCheckBox* box) const
{
    connect(box, &QCheckBox::toggled, this, &TAdditionConfigTab::setChanged);
}

QGroupBox* TAdditionConfigTab::addGroup(const QString& title)
{
    auto* group = new QGroupBox(title, this);
    m_content->addWidget(group);
    return group;
}

QLabel* TAdditionConfigTab::addText(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QCheckBox* TAdditionConfigTab::makeCheckBox(const char* name, const QString& caption, QWidget* parent)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    watch(box);
    return box;
}

QLineEdit* TAdditionConfigTab::makeEdit(const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    watch(edit);
    return edit;
}

QPushButton* TAdditionConfigTab::makeButton(const char* name, const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    // Enter presses only the page's "Применить", never the focused helper button.
    button->setAutoDefault(false);
    return button;
}

} // namespace kvizor
