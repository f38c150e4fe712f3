#include "ui/AdditionConfigTabs.h"

#include "platform/DesktopIntegration.h"
#include "ui/Prompts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QStyle>
#include <QVBoxLayout>

namespace kvizor {

namespace {

const QString PlainCaption = QStringLiteral("KvizorStudent");
const QString ErrorCaption = QStringLiteral("Ошибка!");
const QString NotAvailableText = QStringLiteral("На этом рабочем столе действие недоступно.");

// A group with an icon beside a text.
QGroupBox* noteGroup(QGroupBox* group, const QString& icon, const QString& text)
{
    auto* layout = new QHBoxLayout(group);
    auto* picture = new QLabel(group);
    picture->setPixmap(IconPicture(icon, 48));
    layout->addWidget(picture);
    auto* label = new QLabel(text, group);
    label->setWordWrap(true);
    layout->addWidget(label, 1);
    return group;
}

// A failure is reported as it is, by the program's error box.
void reportResult(Prompts& prompts, const IntegrationResult& result)
{
    if (!result.ok)
        prompts.showMessage(result.errorText, ErrorCaption, MessageIcon::Error);
    else if (!result.message.isEmpty())
        prompts.showMessage(result.message, PlainCaption, MessageIcon::None);
}

} // namespace

TAssociationTab::TAssociationTab(TAdditionConfigContext& context)
    : TAdditionConfigTab(context, "tsAssociation", "bbSetAssociation", QStringLiteral("Ассоциация"),
                         QStringLiteral("Вы можете ассоциировать расширения файлов с программой. Тогда файлы "
                                        "можно будет открывать двойным щелчком в проводнике Windows. \n"
                                        "Для выполнения этого действия требуются права администратора "
                                        "компьютера."),
                         StandardTabPicture(QStyle::SP_FileLinkIcon), true)
{
    QGroupBox* run = addGroup(QStringLiteral("Выпольнить:"));
    auto* runLayout = new QVBoxLayout(run);
    cbExtKVF = makeCheckBox("cbExtKVF",
                            QStringLiteral("Асоциировать файлы тестов  Kvizor (.KVF) с программой"), run);
    runLayout->addWidget(cbExtKVF);
    noteGroup(addGroup(QStringLiteral("Примечание:")),
              QStringLiteral(":/kvizor/icons/application-x-kvizor-test.svg"),
              QStringLiteral("После ассоциации для файлов с тестами будет отображаться вот такая иконка."));
    // The desktop's caches are refreshed after the dialog has moved on; a failure there is
    // still told while the dialog is open.
    m_context.desktop.setLateFailureHandler(
        [this, tab = QPointer<TAssociationTab>(this)](const QString& error) {
            if (tab)
                m_context.prompts.showMessage(error, ErrorCaption, MessageIcon::Error);
        });
}

void TAssociationTab::UpdateAssociationState()
{
    if (m_context.desktop.isAvailable() && m_context.desktop.IsAssociationRegistered()) {
        cbExtKVF->setChecked(true);
        cbExtKVF->setEnabled(false);
    } else {
        cbExtKVF->setEnabled(true);
    }
}

void TAssociationTab::load()
{
    UpdateAssociationState();
}

void TAssociationTab::apply()
{
    if (!cbExtKVF->isChecked() || !cbExtKVF->isEnabled())
        return;
    if (!m_context.desktop.isAvailable()) {
        m_context.prompts.showMessage(NotAvailableText, PlainCaption, MessageIcon::Information);
        return;
    }
    // Writing the association also refreshes the desktop's caches, which tells the shell.
    const IntegrationResult result = m_context.desktop.RegisterAssociation();
    UpdateAssociationState();
    reportResult(m_context.prompts, result);
}

TLnkTab::TLnkTab(TAdditionConfigContext& context)
    : TAdditionConfigTab(
          context, "tsLnk", "bbLnk", QStringLiteral("Ярлыки"),
          QStringLiteral("Вы можете создать ярлыки для запуска программы с рабочего стола или "
                         "меню \"Пуск\". Тогда файлы можно будет запускать программу проще и "
                         "быстрее. Для выполнения этого действия требуются права администратора "
                         "компьютера."),
          StandardTabPicture(QStyle::SP_DesktopIcon), true)
{
    QGroupBox* create = addGroup(QStringLiteral("Создать ярлыки:"));
    auto* createLayout = new QVBoxLayout(create);
    cbLnkDesktop = makeCheckBox("cbLnkDesktop", QStringLiteral("На рабочем столе"), create);
    cbLnkStart = makeCheckBox("cbLnkStart", QStringLiteral("В меню \"Пуск\""), create);
    createLayout->addWidget(cbLnkDesktop);
    createLayout->addWidget(cbLnkStart);
    noteGroup(addGroup(QStringLiteral("Примечание:")), QStringLiteral(":/kvizor/icons/kvizorstudent.svg"),
              QStringLiteral("У ярлыка на рабочем столе будет вот такая иконка."));
}

void TLnkTab::load()
{
    cbLnkDesktop->setChecked(false);
    cbLnkStart->setChecked(false);
}

void TLnkTab::apply()
{
    if (!m_context.desktop.isAvailable() && (cbLnkDesktop->isChecked() || cbLnkStart->isChecked())) {
        m_context.prompts.showMessage(NotAvailableText, PlainCaption, MessageIcon::Information);
        return;
    }
    // Each shortcut is tried on its own; a failure of the first does not stop the second.
    if (cbLnkDesktop->isChecked())
        reportResult(m_context.prompts, m_context.desktop.createDesktopShortcut());
    if (cbLnkStart->isChecked())
        reportResult(m_context.prompts, m_context.desktop.createMenuShortcut());
}

} // namespace kvizor
