// Commands and menus of the main window.
#include "ui/StudentMainForm.h"

#include "ui/ActionButton.h"
#include "ui/CommandKeys.h"
#include "ui/InfoWindows.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyle>

namespace kvizor {

namespace {

// Captions of the recent-files entries are paths; "&" in a path is text, not a mark.
QString escapeAmpersands(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

QAction* TStudentMainForm::makeAction(const char* name, const char* category, const QString& caption,
                                      const QKeySequence& shortcut)
{
    auto* act = new QAction(caption, this);
    act->setObjectName(QLatin1String(name));
    if (category != nullptr)
        act->setProperty("category", QLatin1String(category));
    if (!shortcut.isEmpty())
        act->setShortcut(shortcut);
    // Every command belongs to the window, so its shortcut works with the menu closed.
    addAction(act);
    return act;
}

void TStudentMainForm::createActions()
{
    // In the order of the command list. Every caption shown in a menu carries an Alt-letter
    // mnemonic that is unique within its menu, so the whole menu works from the keyboard.
    AOpenTest =
        makeAction("AOpenTest", "File", QStringLiteral("&Открыть..."), QKeySequence(Qt::CTRL | Qt::Key_O));
    ACloseTest = makeAction("ACloseTest", "File", QStringLiteral("&Закрыть"));
    AExit = makeAction("AExit", "File", QStringLiteral("В&ыход"));
    AShowQuestionImage = makeAction("AShowQuestionImage", "Task", QString());
    ABeginTest = makeAction("ABeginTest", "Test", QStringLiteral("&Начать тест"), QKeySequence(Qt::Key_F5));
    AAskTask = makeAction("AAskTask", "Task", QString());
    AEndTest = makeAction("AEndTest", "Test", QStringLiteral("&Закончить тест"));
    ACheckAskTask = makeAction("ACheckAskTask", "Task", QStringLiteral("Дальше (проверить)"));
    AShowHelp =
        makeAction("AShowHelp", "Help", QStringLiteral("&Просмотр справки"), QKeySequence(Qt::Key_F1));
    AIsSaveResult = makeAction("AIsSaveResult", "Config", QStringLiteral("Сохранять рез&ультаты"));
    AIsSaveProtectionResult =
        makeAction("AIsSaveProtectionResult", "Config", QStringLiteral("Сохранять за&щ. результаты"));
    AIsSaveConfig = makeAction("AIsSaveConfig", "Config", QStringLiteral("&Сохранять настройки при выходе"));
    AIsUseWindowSettings =
        makeAction("AIsUseWindowSettings", "Config", QStringLiteral("&Использовать настройки окна"));
    ASaveConfigNow = makeAction("ASaveConfigNow", "Config", QStringLiteral("Сохранить настройки сей&час"));
    ALoadConfigNow = makeAction("ALoadConfigNow", "Config", QStringLiteral("&Загрузить настройки сейчас"));
    AFontSizeUp = makeAction("AFontSizeUp", "Config", QStringLiteral("&Крупнее"));
    AFontSizeDown = makeAction("AFontSizeDown", "Config", QStringLiteral("&Мельче"));
    AFontSizeNormal = makeAction("AFontSizeNormal", "Config", QStringLiteral("&Нормальный"));
    AAdditionConfig = makeAction("AAdditionConfig", "Config", QStringLiteral("&Дополнительные настройки..."));
    AShowAbout = makeAction("AShowAbout", "Help", QStringLiteral("&О программе"));
    AShowLicense = makeAction("AShowLicense", "Help", QStringLiteral("&Лицензия"));
    AShowDonate = makeAction("AShowDonate", "Help", QStringLiteral("По&ддержать программу"));
    AShowTestInfo = makeAction("AShowTestInfo", "Test", QStringLiteral("&Информация"));
    AGetTest = makeAction("AGetTest", "File", QStringLiteral("&Получить по сети"));
    aShowTestInstruction = makeAction("aShowTestInstruction", "Test", QStringLiteral("Инструкция к &тесту"));
    aShowREtoViewer = makeAction("aShowREtoViewer", nullptr, QString(), QKeySequence(Qt::Key_F10));
    aZoomUp = makeAction("aZoomUp", "Config", QStringLiteral("&Крупнее"), QKeySequence(Qt::CTRL | Qt::Key_U));
    aZoomNormal = makeAction("aZoomNormal", "Config", QStringLiteral("&Обычный  (100%)"));
    aZoomDown =
        makeAction("aZoomDown", "Config", QStringLiteral("&Мельче"), QKeySequence(Qt::CTRL | Qt::Key_D));
    aShowPromptTask = makeAction("aShowPromptTask", "Task", QStringLiteral("Показать подсказку"));
    aIDoNotKnow = makeAction("aIDoNotKnow", "Task", QStringLiteral("Я не знаю..."));
    aSkippingTask = makeAction("aSkippingTask", "Task", QStringLiteral("Пропустить..."));

    aIDoNotKnow->setVisible(false);
    aSkippingTask->setVisible(false);

    for (QAction* check : {AIsSaveResult, AIsSaveProtectionResult, AIsSaveConfig, AIsUseWindowSettings,
                           AFontSizeUp, AFontSizeNormal, AFontSizeDown, aZoomUp, aZoomNormal, aZoomDown})
        check->setCheckable(true);

    // The zoom keys must reach their commands, not a line edit's own bindings.
    new TCommandKeys(*this);

    // Icons are loaded the first time a menu opens: the image plugins they need would
    // otherwise slow down the start of the program.
}

void TStudentMainForm::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu"));

    miFile = bar->addMenu(QStringLiteral("&Файл"));
    miFile->setObjectName(QStringLiteral("miFile"));
    miFile->addAction(AOpenTest);
    miFile->addAction(AGetTest);
    miFile->addAction(ACloseTest);
    miFile->addSeparator();
    miListPreviousFiles = miFile->addMenu(QStringLiteral("Пре&дыдущие файлы"));
    miListPreviousFiles->setObjectName(QStringLiteral("miListPreviousFiles"));
    miListPreviousFiles->menuAction()->setObjectName(QStringLiteral("miListPreviousFilesItem"));
    miFile->addSeparator();
    miFile->addAction(AExit);

    miTest = bar->addMenu(QStringLiteral("&Тест"));
    miTest->setObjectName(QStringLiteral("miTest"));
    miTest->addAction(AShowTestInfo);
    miTest->addAction(aShowTestInstruction);
    miTest->addSeparator();
    miTest->addAction(ABeginTest);
    miTest->addAction(AEndTest);

    miConfig = bar->addMenu(QStringLiteral("&Настройка"));
    miConfig->setObjectName(QStringLiteral("miConfig"));
    miFontSize = miConfig->addMenu(QStringLiteral("&Размер шрифта"));
    miFontSize->setObjectName(QStringLiteral("miFontSize"));
    miFontSize->addAction(AFontSizeUp);
    miFontSize->addAction(AFontSizeNormal);
    miFontSize->addAction(AFontSizeDown);
    // Not offered to users: the font-size commands stay reachable only from code.
    miFontSize->menuAction()->setVisible(false);
    miFontSize->menuAction()->setEnabled(false);
    miZoom = miConfig->addMenu(QStringLiteral("&Масштаб"));
    miZoom->setObjectName(QStringLiteral("miZoom"));
    miZoom->addAction(aZoomUp);
    miZoom->addAction(aZoomNormal);
    miZoom->addAction(aZoomDown);
    miConfig->addSeparator();
    miConfig->addAction(AIsUseWindowSettings);
    miConfig->addSeparator();
    // These two entries are hidden (the settings dialog changes the values). The entries
    // are stand-ins, because a hidden command could never be enabled or triggered.
    auto addHiddenEntry = [this](QAction* command, const char* name) {
        auto* entry = new QAction(command->text(), miConfig);
        entry->setObjectName(QLatin1String(name));
        entry->setCheckable(true);
        entry->setVisible(false);
        connect(entry, &QAction::triggered, command, &QAction::trigger);
        connect(command, &QAction::changed, entry,
                [entry, command] { entry->setChecked(command->isChecked()); });
        miConfig->addAction(entry);
    };
    addHiddenEntry(AIsSaveResult, "miIsSaveResult");
    addHiddenEntry(AIsSaveProtectionResult, "miIsSaveProtectionResult");
    miConfig->addSeparator();
    miConfig->addAction(AAdditionConfig);
    miConfig->addSeparator();
    miConfig->addAction(AIsSaveConfig);
    miConfig->addAction(ASaveConfigNow);
    miConfig->addAction(ALoadConfigNow);

    miHelp = bar->addMenu(QStringLiteral("&Справка"));
    miHelp->setObjectName(QStringLiteral("miHelp"));
    miHelp->addAction(AShowHelp);
    miHelp->addSeparator();
    miHelp->addAction(AShowLicense);
    miHelp->addAction(AShowDonate);
    miHelp->addSeparator();
    miHelp->addAction(AShowAbout);

    for (QMenu* menu : {miFile, miTest, miConfig, miHelp})
        connect(menu, &QMenu::aboutToShow, this, &TStudentMainForm::loadMenuIcons);

    // Buttons of the task area run their commands and follow their state.
    bindButtonToAction(ButtonShowPromptTask, aShowPromptTask);
    bindButtonToAction(ButtonSkippingTask, aSkippingTask);
    bindButtonToAction(ButtonCheckAskTask, ACheckAskTask);
    bindButtonToAction(ButtonIDoNotKnow, aIDoNotKnow);
}

void TStudentMainForm::loadMenuIcons()
{
    if (m_menuIconsLoaded)
        return;
    m_menuIconsLoaded = true;
    const QStyle* st = style();
    AOpenTest->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton));
    ACloseTest->setIcon(st->standardIcon(QStyle::SP_DialogCloseButton));
    AExit->setIcon(st->standardIcon(QStyle::SP_DialogCancelButton));
    ABeginTest->setIcon(st->standardIcon(QStyle::SP_MediaPlay));
    AEndTest->setIcon(st->standardIcon(QStyle::SP_MediaStop));
    AShowTestInfo->setIcon(st->standardIcon(QStyle::SP_MessageBoxInformation));
    AShowHelp->setIcon(st->standardIcon(QStyle::SP_DialogHelpButton));
    AGetTest->setIcon(st->standardIcon(QStyle::SP_DriveNetIcon));
    ASaveConfigNow->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
}

void TStudentMainForm::rebuildPreviousFilesMenu()
{
    miListPreviousFiles->clear();
    for (const QString& path : m_previousFiles.entries()) {
        QAction* entry = miListPreviousFiles->addAction(escapeAmpersands(path));
        entry->setData(path);
        connect(entry, &QAction::triggered, this, [this, path] { OpenPreviousFile(path); });
    }
}

void TStudentMainForm::connectActions()
{
    connect(AOpenTest, &QAction::triggered, this, &TStudentMainForm::AOpenTestExecute);
    connect(ACloseTest, &QAction::triggered, this, &TStudentMainForm::ACloseTestExecute);
    connect(AGetTest, &QAction::triggered, this, &TStudentMainForm::AGetTestExecute);
    connect(AExit, &QAction::triggered, this, &QWidget::close);
    connect(AShowQuestionImage, &QAction::triggered, this, &TStudentMainForm::AShowQuestionImageExecute);
    connect(AShowHelp, &QAction::triggered, this, &TStudentMainForm::AShowHelpExecute);
    connect(AShowTestInfo, &QAction::triggered, this, &TStudentMainForm::AShowTestInfoExecute);
    // The run's own commands.
    connect(aShowTestInstruction, &QAction::triggered, this,
            [this] { m_run->aShowTestInstructionExecute(); });
    connect(ABeginTest, &QAction::triggered, this, [this] { m_run->BeginTest(); });
    connect(AAskTask, &QAction::triggered, this, [this] { m_run->AskTask(); });
    connect(AEndTest, &QAction::triggered, this, [this] { m_run->AEndTestExecute(); });
    connect(ACheckAskTask, &QAction::triggered, this, [this] { m_run->ACheckAskTaskExecute(); });
    connect(aIDoNotKnow, &QAction::triggered, this, [this] { m_run->aIDoNotKnowExecute(); });
    connect(aSkippingTask, &QAction::triggered, this, [this] { m_run->aSkippingTaskExecute(); });
    connect(aShowPromptTask, &QAction::triggered, this, [this] { m_run->aShowPromptTaskExecute(); });
    connect(ComboBoxEx1, &QComboBox::activated, this, [this](int position) {
        m_run->GoToTask(position);
        ComboBoxEx1->setCurrentIndex(-1);
    });
    connect(aShowREtoViewer, &QAction::triggered, this, &TStudentMainForm::aShowREtoViewerExecute);
    connect(aZoomUp, &QAction::triggered, this, [this] { aZoomExecute(10); });
    connect(aZoomNormal, &QAction::triggered, this, [this] { aZoomExecute(0); });
    connect(aZoomDown, &QAction::triggered, this, [this] { aZoomExecute(-10); });
    connect(AFontSizeUp, &QAction::triggered, this, [this] { AFontSizeExecute(1); });
    connect(AFontSizeNormal, &QAction::triggered, this, [this] { AFontSizeExecute(0); });
    connect(AFontSizeDown, &QAction::triggered, this, [this] { AFontSizeExecute(-1); });
    connect(ASaveConfigNow, &QAction::triggered, this, &TStudentMainForm::ASaveConfigNowExecute);
    connect(ALoadConfigNow, &QAction::triggered, this, &TStudentMainForm::ALoadConfigNowExecute);
    connect(AAdditionConfig, &QAction::triggered, this, &TStudentMainForm::AAdditionConfigExecute);

    // The check items copy their new state into the settings, except while an exchange
    // waits (the update rule then puts the mark back).
    const auto setting = [this](bool TConfig::*field) {
        return [this, field](bool on) {
            if (!exchangeUnderWay())
                Config.*field = on;
        };
    };
    connect(AIsSaveResult, &QAction::triggered, this, setting(&TConfig::IsSaveResult));
    connect(AIsSaveProtectionResult, &QAction::triggered, this, setting(&TConfig::IsSaveProtectionResult));
    connect(AIsSaveConfig, &QAction::triggered, this, setting(&TConfig::IsSaveConfig));
    connect(AIsUseWindowSettings, &QAction::triggered, this, setting(&TConfig::IsUseWindowSettings));

    connect(AShowAbout, &QAction::triggered, this, [this] {
        TAboutForm form(this);
        m_prompts->execDialog(form);
    });
    connect(AShowLicense, &QAction::triggered, this, [this] {
        TLicenseForm form(this);
        m_prompts->execDialog(form);
    });
    connect(AShowDonate, &QAction::triggered, this, [this] {
        TDonateForm form(this);
        m_prompts->execDialog(form);
    });
}

} // namespace kvizor
