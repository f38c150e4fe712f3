#include "AdditionConfigFixtures.h"
#include "config/Config.h"
#include "config/RegistryStore.h"
#include "platform/linux/XdgDesktopIntegration.h"
#include "ScriptedPrompts.h"
#include "support/TestEnvironment.h"
#include "ui/AdditionConfigTabs.h"
#include "ui/SettingsPassword.h"
#include "ui/StudentAdditionConfigForm.h"
#include "ui/StudentMainForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace kvizor;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

// The per-user store as the password tab leaves it: absent, or the stored text.
std::optional<QString> storedPassword()
{
    RegistryStore store;
    if (!store.openKey(QString::fromUtf16(ProgramRegistryKey), false))
        return std::nullopt;
    if (!store.valueNames().contains(QString::fromUtf16(PasswordValueName)))
        return std::nullopt;
    return store.readString(QString::fromUtf16(PasswordValueName));
}

} // namespace

// The additional settings dialog driven through its controls, with scripted prompts and
// choosers, a recording sound player and the desktop integration in a temporary home.
class TestAdditionConfig : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    TConfig m_config;
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<ScriptedChoosers> m_choosers;
    RecordingSoundPlayer m_player;
    std::unique_ptr<XdgDesktopIntegration> m_desktop;
    std::unique_ptr<TStudentAdditionConfigForm> m_form;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    QString programPath() const { return path(QStringLiteral("Программа/KvizorStudent")); }

    XdgLocations locations() const
    {
        return {path(QStringLiteral("data")), path(QStringLiteral("Desktop")), {}};
    }

    std::unique_ptr<XdgDesktopIntegration> integration(const QString& program) const
    {
        // The cache tools are left out: an empty search folder finds none.
        return std::make_unique<XdgDesktopIntegration>(program, locations(),
                                                       QStringList{path(QStringLiteral("none"))});
    }

    // A fresh dialog on the current settings, shown as an opening shows it.
    TStudentAdditionConfigForm& openForm()
    {
        m_form.reset();
        TStudentAdditionConfigForm::Options options;
        options.programFolder = path(QStringLiteral("Программа"));
        options.choosers = m_choosers.get();
        options.desktop = m_desktop.get();
        options.soundPlayer = &m_player;
        m_form = std::make_unique<TStudentAdditionConfigForm>(m_config, *m_prompts, nullptr, options);
        m_form->show();
        return *m_form;
    }

    template <class Tab>
    Tab& showTab(Tab* tab)
    {
        m_form->PageControl()->setCurrentWidget(tab);
        return *tab;
    }

    static bool applyEnabled(const TAdditionConfigTab& tab) { return tab.applyButton()->isEnabled(); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(touch(programPath()));
        QVERIFY(QDir().mkpath(path(QStringLiteral("Desktop"))));
        m_config = TConfig();
        m_prompts = std::make_unique<ScriptedPrompts>();
        m_choosers = std::make_unique<ScriptedChoosers>();
        m_player.played.clear();
        m_desktop = integration(programPath());
        QVERIFY(settingspassword::Remove());
    }

    void cleanup()
    {
        m_form.reset();
        m_desktop.reset();
        m_dir.reset();
    }

    void pages_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("applyName");
        QTest::addColumn<bool>("enterApplies");
        QTest::addColumn<int>("index");
        int index = 0;
        const auto row = [&index](const char* name, const char* caption, const char* apply, bool enter) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(caption)
                                << QString::fromLatin1(apply) << enter << index++;
        };
        row("tsAssociation", "Ассоциация", "bbSetAssociation", true);
        row("tsLnk", "Ярлыки", "bbLnk", true);
        row("TabSheetNetConfig", "Сеть", "bbSetNetConfig", true);
        row("TabSheetFolder", "Папки", "bbSaveFolder", true);
        row("tsSaveResult", "Сохр. рез.", "bbSaveResult", false);
        row("tsShowResult", "Вывод рез.", "bbShowResult", false);
        row("TabSheetColors", "Цвета", "bbSetColors", true);
        row("tsDefaultUserName", "Имя", "bbDefaultUserName", false);
        row("tsSound", "Звук", "bbSound", false);
        row("tbPassword", "Пароль", "bbPassword", false);
    }

    // Order, captions, buttons; Enter presses "Применить" only where the page says so.
    void pages()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, applyName);
        QFETCH(bool, enterApplies);
        TStudentAdditionConfigForm& form = openForm();
        QCOMPARE(form.windowTitle(), QStringLiteral("Дополнительные настройки"));
        QCOMPARE(form.PageControl()->count(), 10);
        QCOMPARE(form.PageControl()->currentIndex(), 0);
        QVERIFY(form.width() >= 428 && form.height() >= 397);

        QFETCH(int, index);
        QCOMPARE(form.PageControl()->widget(index)->objectName(), name);
        QCOMPARE(form.PageControl()->tabText(index), caption);
        auto* tab = static_cast<TAdditionConfigTab*>(form.PageControl()->widget(index));
        QCOMPARE(tab->applyButton()->objectName(), applyName);
        QCOMPARE(tab->applyButton()->text(), QStringLiteral("Применить"));

        // Make a change on the page, then press Enter in one of its line edits or boxes.
        form.PageControl()->setCurrentIndex(index);
        QVERIFY(!applyEnabled(*tab));
        tab->applyButton()->setEnabled(true);
        // Into a line edit, else a check box, else the page itself.
        QWidget* target = tab->findChild<QLineEdit*>();
        if (target == nullptr)
            target = tab->findChild<QCheckBox*>();
        if (target == nullptr)
            target = tab;
        QTest::keyClick(target, Qt::Key_Return);
        // The association page keeps its button after applying; there Enter on an unchecked
        // box does nothing visible, so look at the default button instead.
        if (name == QLatin1String("tsAssociation"))
            QCOMPARE(tab->applyButton()->isDefault(), enterApplies);
        else
            QCOMPARE(applyEnabled(*tab), !enterApplies);
        QVERIFY(form.isVisible());
    }

    void texts()
    {
        TStudentAdditionConfigForm& form = openForm();
        const auto text = [&](const char* name) {
            auto* label = form.findChild<QLabel*>(QLatin1String(name) + QLatin1String("Text"));
            return label != nullptr ? label->text() : QString();
        };
        QCOMPARE(
            text("tsAssociation"),
            QStringLiteral("Вы можете ассоциировать расширения файлов с программой. Тогда файлы можно будет "
                           "открывать двойным щелчком в проводнике Windows. \nДля выполнения этого действия "
                           "требуются права администратора компьютера."));
        QCOMPARE(text("TabSheetColors"),
                 QStringLiteral("Вы можете указать цвета  которыми будут выделены верные и "
                                "ошибочные ответы в обучающем режиме тестирования."));
        QCOMPARE(text("tbPassword"),
                 QStringLiteral("Вы можете ограничить доступ к окну дополнительных настроек "
                                "задав пароль. Внимание! Не забудьте записать пароль."));
        QCOMPARE(form.tsAssociation->cbExtKVF->text(),
                 QStringLiteral("Асоциировать файлы тестов  Kvizor (.KVF) с программой"));
        QCOMPARE(form.tsLnk->cbLnkStart->text(), QStringLiteral("В меню \"Пуск\""));
        QCOMPARE(form.tsShowResult->cbIsShowDetailReportModeNormal->text(),
                 QStringLiteral("Показывать отчет по заданиям в не ообучающем режиме"));
        // The connection check is there but hidden.
        auto* check = form.findChild<QPushButton*>(QStringLiteral("bbCheckConnection"));
        QVERIFY(check != nullptr);
        QCOMPARE(check->text(), QStringLiteral("Проверить связь с сервером"));
        QVERIFY(check->isHidden());
        for (TAdditionConfigTab* tab : form.tabs()) {
            auto* picture = form.findChild<QLabel*>(tab->objectName() + QLatin1String("Picture"));
            QVERIFY2(picture != nullptr && !picture->pixmap().isNull(), qPrintable(tab->objectName()));
        }
    }

    void netShow_data()
    {
        QTest::addColumn<bool>("sendResult");
        QTest::addColumn<bool>("autoGet");
        QTest::newRow("off") << false << false;
        QTest::newRow("send") << true << false;
        QTest::newRow("send and fetch") << true << true;
        QTest::newRow("fetch without send") << false << true;
    }

    void netShow()
    {
        QFETCH(bool, sendResult);
        QFETCH(bool, autoGet);
        m_config.RemoteHost = QStringLiteral(" server.school ");
        m_config.RemotePort = 6006;
        m_config.IsSendResult = sendResult;
        m_config.IsAutoGetTestFromStart = autoGet;
        openForm();
        TNetConfigTab& tab = showTab(m_form->TabSheetNetConfig);
        QCOMPARE(tab.Edit_RemoteHost->text(), QStringLiteral(" server.school "));
        QCOMPARE(tab.Edit_RemotePort->text(), QStringLiteral("6006"));
        QCOMPARE(tab.CheckBox_SendResult->isChecked(), sendResult);
        QCOMPARE(tab.cbAutoGetTestFromStart->isChecked(), autoGet);
        QCOMPARE(tab.cbAutoGetTestFromStart->isEnabled(), sendResult);
        QVERIFY(!applyEnabled(tab));
    }

    void netApply_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("expectedPort");
        QTest::newRow("number") << QStringLiteral("127.0.0.5") << QStringLiteral("8080") << 8080;
        QTest::newRow("empty port") << QStringLiteral("host") << QString() << 0;
        QTest::newRow("not a number") << QStringLiteral("host") << QStringLiteral("12ab") << 0;
        QTest::newRow("too large") << QStringLiteral("host") << QStringLiteral("99999999999") << 0;
        QTest::newRow("host kept with blanks")
            << QStringLiteral("  teacher ") << QStringLiteral("5005") << 5005;
    }

    void netApply()
    {
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(int, expectedPort);
        openForm();
        TNetConfigTab& tab = showTab(m_form->TabSheetNetConfig);
        tab.Edit_RemoteHost->setText(host);
        // Pasted text is not filtered; applying turns it into a number.
        tab.Edit_RemotePort->setText(port);
        QVERIFY(applyEnabled(tab));
        tab.applyButton()->click();
        QCOMPARE(m_config.RemoteHost, host);
        QCOMPARE(m_config.RemotePort, expectedPort);
        QVERIFY(!applyEnabled(tab));
    }

    // Unchecking the exchange disables the start-up fetch but keeps and applies its state.
    void netSendResultRule()
    {
        m_config.IsSendResult = true;
        m_config.IsAutoGetTestFromStart = true;
        openForm();
        TNetConfigTab& tab = showTab(m_form->TabSheetNetConfig);
        QVERIFY(tab.cbAutoGetTestFromStart->isEnabled());
        tab.CheckBox_SendResult->click();
        QVERIFY(!tab.cbAutoGetTestFromStart->isEnabled());
        QVERIFY(tab.cbAutoGetTestFromStart->isChecked());
        QVERIFY(applyEnabled(tab));
        tab.applyButton()->click();
        QVERIFY(!m_config.IsSendResult);
        QVERIFY(m_config.IsAutoGetTestFromStart);

        tab.CheckBox_SendResult->click();
        QVERIFY(tab.cbAutoGetTestFromStart->isEnabled());
        tab.applyButton()->click();
        tab.cbAutoGetTestFromStart->click();
        QVERIFY(applyEnabled(tab));
        tab.applyButton()->click();
        QVERIFY(m_config.IsSendResult);
        QVERIFY(!m_config.IsAutoGetTestFromStart);
    }

    // Only digits and Backspace may be typed into the port; anything else beeps.
    void portKeyFilter()
    {
        m_config.RemotePort = 50;
        openForm();
        TNetConfigTab& tab = showTab(m_form->TabSheetNetConfig);
        QLineEdit* port = tab.Edit_RemotePort;
        port->setFocus();
        port->end(false);
        QTest::keyClicks(port, QStringLiteral("a- 1."));
        QTest::sendKeyEvent(QTest::Press, port, Qt::Key_unknown, QStringLiteral("Я"), Qt::NoModifier);
        QCOMPARE(port->text(), QStringLiteral("501"));
        QCOMPARE(m_choosers->beeps, 5);
        QTest::keyClick(port, Qt::Key_Backspace);
        QTest::keyClick(port, Qt::Key_Backspace);
        QTest::keyClicks(port, QStringLiteral("80"));
        QCOMPARE(port->text(), QStringLiteral("580"));
        QCOMPARE(m_choosers->beeps, 5);
        // Letters alone leave the field and the settings as they were.
        tab.applyButton()->click();
        QTest::keyClicks(port, QStringLiteral("xyz"));
        QCOMPARE(port->text(), QStringLiteral("580"));
        QVERIFY(!applyEnabled(tab));
        QCOMPARE(m_config.RemotePort, 580);
        QCOMPARE(m_choosers->beeps, 8);
        // Enter still applies.
        QTest::keyClicks(port, QStringLiteral("1"));
        QTest::keyClick(port, Qt::Key_Return);
        QCOMPARE(m_config.RemotePort, 5801);
    }

    // An edit that is not applied is gone when its page is shown again.
    void unappliedEditIsLost()
    {
        m_config.RemoteHost = QStringLiteral("127.0.0.1");
        openForm();
        TNetConfigTab& tab = showTab(m_form->TabSheetNetConfig);
        tab.Edit_RemoteHost->setText(QStringLiteral("other"));
        QVERIFY(applyEnabled(tab));
        showTab(m_form->TabSheetFolder);
        showTab(m_form->TabSheetNetConfig);
        QCOMPARE(tab.Edit_RemoteHost->text(), QStringLiteral("127.0.0.1"));
        QVERIFY(!applyEnabled(tab));
        QCOMPARE(m_config.RemoteHost, QStringLiteral("127.0.0.1"));
    }

    void folders()
    {
        m_config.InitialDirOpenTest = QStringLiteral("/tests");
        openForm();
        TFolderTab& tab = showTab(m_form->TabSheetFolder);
        QCOMPARE(tab.Edit_InitialDirOpenTest->text(), QStringLiteral("/tests"));
        QCOMPARE(tab.Edit_DirForResult->text(), QString());
        QVERIFY(!applyEnabled(tab));

        auto* browse = tab.findChild<QPushButton*>(QStringLiteral("bbBrowseDirForResult"));
        auto* clear = tab.findChild<QPushButton*>(QStringLiteral("bbClearInitialDirOpenTest"));
        auto* clearOther = tab.findChild<QPushButton*>(QStringLiteral("bbClearDirForResult"));
        QVERIFY(browse != nullptr && clear != nullptr && clearOther != nullptr);
        QCOMPARE(browse->text(), QStringLiteral("Обзор"));
        QCOMPARE(clear->text(), QStringLiteral("Очистить"));

        // Cancelling the chooser changes nothing.
        browse->click();
        QCOMPARE(m_choosers->folderTitles, QStringList{QStringLiteral("Пожалуйста, выберите папку")});
        QVERIFY(!applyEnabled(tab));
        // Clearing an empty field is no change either.
        clearOther->click();
        QVERIFY(!applyEnabled(tab));

        m_choosers->folders = {QStringLiteral(" /home/teacher/results ")};
        browse->click();
        QCOMPARE(tab.Edit_DirForResult->text(), QStringLiteral(" /home/teacher/results "));
        QVERIFY(applyEnabled(tab));
        clear->click();
        QCOMPARE(tab.Edit_InitialDirOpenTest->text(), QString());
        tab.applyButton()->click();
        QCOMPARE(m_config.DirForResult, QStringLiteral("/home/teacher/results"));
        QCOMPARE(m_config.InitialDirOpenTest, QString());
        QVERIFY(!applyEnabled(tab));
    }

    void saveResult_data()
    {
        QTest::addColumn<QString>("resultName");
        QTest::addColumn<QString>("expectedResultName");
        QTest::addColumn<QString>("protectionName");
        QTest::addColumn<QString>("expectedProtectionName");
        QTest::newRow("empty restores the default")
            << QString() << QStringLiteral("KvizorStudent_Result.txt") << QString()
            << QStringLiteral("KvizorStudent_ProtectionResult.kvpr");
        QTest::newRow("blanks restore the default")
            << QStringLiteral("   ") << QStringLiteral("KvizorStudent_Result.txt") << QStringLiteral("\t ")
            << QStringLiteral("KvizorStudent_ProtectionResult.kvpr");
        QTest::newRow("surrounding blanks are kept")
            << QStringLiteral("  log.txt ") << QStringLiteral("  log.txt ") << QStringLiteral(" p.kvpr")
            << QStringLiteral(" p.kvpr");
    }

    void saveResult()
    {
        QFETCH(QString, resultName);
        QFETCH(QString, expectedResultName);
        QFETCH(QString, protectionName);
        QFETCH(QString, expectedProtectionName);
        openForm();
        TSaveResultTab& tab = showTab(m_form->tsSaveResult);
        QVERIFY(tab.cbIsSaveResult->isChecked());
        QVERIFY(!tab.cbIsSaveProtectionResult->isChecked());
        QCOMPARE(tab.txtIsSaveResult->text(), QStringLiteral("KvizorStudent_Result.txt"));
        QCOMPARE(tab.txtIsSaveProtectionResult->text(),
                 QStringLiteral("KvizorStudent_ProtectionResult.kvpr"));
        QVERIFY(!applyEnabled(tab));

        tab.cbIsSaveResult->click();
        tab.cbIsSaveProtectionResult->click();
        tab.txtIsSaveResult->setText(resultName);
        tab.txtIsSaveProtectionResult->setText(protectionName);
        tab.applyButton()->click();
        QVERIFY(!m_config.IsSaveResult);
        QVERIFY(m_config.IsSaveProtectionResult);
        QCOMPARE(m_config.ResultFileName, expectedResultName);
        QCOMPARE(m_config.ProtectionResultFileName, expectedProtectionName);
        QVERIFY(!applyEnabled(tab));
        // Enter does not apply on this page.
        tab.txtIsSaveResult->setText(QStringLiteral("other.txt"));
        QTest::keyClick(tab.txtIsSaveResult, Qt::Key_Return);
        QCOMPARE(m_config.ResultFileName, expectedResultName);
    }

    void showResult()
    {
        m_config.IsShowUserResult = true;
        m_config.IsShowDetailReportModeEducation = false;
        m_config.IsShowDetailReportModeNormal = true;
        openForm();
        TShowResultTab& tab = showTab(m_form->tsShowResult);
        QVERIFY(tab.cbIsShowUserResult->isChecked());
        QVERIFY(!tab.cbIsShowDetailReportModeEducation->isChecked());
        QVERIFY(tab.cbIsShowDetailReportModeNormal->isChecked());
        QVERIFY(!applyEnabled(tab));
        tab.cbIsShowUserResult->click();
        tab.cbIsShowDetailReportModeEducation->click();
        QVERIFY(applyEnabled(tab));
        tab.applyButton()->click();
        QVERIFY(!m_config.IsShowUserResult);
        QVERIFY(m_config.IsShowDetailReportModeEducation);
        QVERIFY(m_config.IsShowDetailReportModeNormal);
        QVERIFY(!applyEnabled(tab));
    }

    void colors()
    {
        m_config.ColorCorrect = 0x0000FF;
        m_config.ColorError = 0x00FF00;
        for (size_t i = 0; i < 10; ++i)
            m_config.ColorCollation[i] = TColor(0x010101 * (i + 1));
        openForm();
        TColorsTab& tab = showTab(m_form->TabSheetColors);
        QCOMPARE(tab.ColorCorrect->color(), TColor(0x0000FF));
        QCOMPARE(tab.ColorError->color(), TColor(0x00FF00));
        QCOMPARE(tab.ColorCollation[9]->color(), TColor(0x0A0A0A));
        QVERIFY(!applyEnabled(tab));
        const QList<TColor> custom = {0x0000FF, 0x00FF00, 0x010101, 0x020202, 0x030303, 0x040404,
                                      0x050505, 0x060606, 0x070707, 0x080808, 0x090909, 0x0A0A0A};
        QCOMPARE(tab.customColors(), custom);

        auto* chooseError = tab.findChild<QPushButton*>(QStringLiteral("bbColorError"));
        auto* chooseFifth = tab.findChild<QPushButton*>(QStringLiteral("bbColorCollation5"));
        QVERIFY(chooseError != nullptr && chooseFifth != nullptr);
        QCOMPARE(chooseFifth->text(), QStringLiteral("Выбрать"));

        // Cancelled, then the same colour confirmed: no change.
        m_choosers->colors = {std::nullopt, TColor(0x00FF00)};
        chooseError->click();
        chooseError->click();
        QCOMPARE(m_choosers->colorRequests.size(), 2);
        QCOMPARE(m_choosers->colorRequests[0].preset, TColor(0x00FF00));
        QCOMPARE(m_choosers->colorRequests[0].customColors, custom);
        QVERIFY(!applyEnabled(tab));

        m_choosers->colors = {TColor(0x123456)};
        chooseFifth->click();
        QCOMPARE(m_choosers->colorRequests.last().preset, TColor(0x050505));
        QCOMPARE(tab.ColorCollation[4]->color(), TColor(0x123456));
        QVERIFY(applyEnabled(tab));
        QCOMPARE(m_config.ColorCollation[4], TColor(0x050505));
        tab.applyButton()->click();
        QCOMPARE(m_config.ColorCollation[4], TColor(0x123456));
        QCOMPARE(m_config.ColorCorrect, TColor(0x0000FF));
        QVERIFY(!applyEnabled(tab));
    }

    void userName()
    {
        openForm();
        TDefaultUserNameTab& tab = showTab(m_form->tsDefaultUserName);
        QCOMPARE(tab.txtDefaultUserName->text(), QStringLiteral("Фамилия Имя"));
        QCOMPARE(tab.txtUserGroupExpression->text(), QStringLiteral("^[1-9]{1}[0-1]{0,1} [А-Яа-я]{1}$"));
        QVERIFY(!applyEnabled(tab));
        tab.txtDefaultUserName->setText(QStringLiteral(" Имя "));
        tab.txtUserNameExpression->setText(QStringLiteral("[unclosed"));
        tab.txtUserNameExample->setText(QString());
        tab.txtDefaultUserGroup->setText(QStringLiteral("Группа"));
        tab.txtUserGroupExpression->setText(QStringLiteral(".*"));
        tab.txtUserGroupExample->setText(QStringLiteral("11 Б "));
        // Enter does not apply here.
        QTest::keyClick(tab.txtUserGroupExample, Qt::Key_Return);
        QCOMPARE(m_config.DefaultUserGroup, QStringLiteral("Класс"));
        tab.applyButton()->click();
        QCOMPARE(m_config.DefaultUserName, QStringLiteral(" Имя "));
        QCOMPARE(m_config.UserNameExpression, QStringLiteral("[unclosed"));
        QCOMPARE(m_config.UserNameExample, QString());
        QCOMPARE(m_config.DefaultUserGroup, QStringLiteral("Группа"));
        QCOMPARE(m_config.UserGroupExpression, QStringLiteral(".*"));
        QCOMPARE(m_config.UserGroupExample, QStringLiteral("11 Б "));
    }

    void soundShow_data()
    {
        QTest::addColumn<bool>("useSound");
        QTest::addColumn<bool>("useDefault");
        QTest::addColumn<bool>("userFileEnabled");
        QTest::addColumn<bool>("userFileChecked");
        QTest::addColumn<bool>("fileControlsEnabled");
        QTest::newRow("built-in") << true << true << true << false << false;
        QTest::newRow("user file") << true << false << true << true << true;
        QTest::newRow("off") << false << true << false << false << false;
        QTest::newRow("off with a file") << false << false << false << true << false;
    }

    void soundShow()
    {
        QFETCH(bool, useSound);
        QFETCH(bool, useDefault);
        QFETCH(bool, userFileEnabled);
        QFETCH(bool, userFileChecked);
        QFETCH(bool, fileControlsEnabled);
        m_config.IsUseSound = useSound;
        m_config.IsUseDefaultSound = useDefault;
        m_config.SoundFileName = QStringLiteral("end.wav");
        m_config.SoundFileDir = QStringLiteral("/sounds/");
        openForm();
        TSoundTab& tab = showTab(m_form->tsSound);
        QCOMPARE(tab.cbUseSound->isChecked(), useSound);
        QCOMPARE(tab.cbUserSoundFile->isEnabled(), userFileEnabled);
        QCOMPARE(tab.cbUserSoundFile->isChecked(), userFileChecked);
        for (QWidget* control :
             {static_cast<QWidget*>(tab.txtUserSoundFile), static_cast<QWidget*>(tab.txtUserSoundDir),
              static_cast<QWidget*>(tab.bbSelectUserSoundFile),
              static_cast<QWidget*>(tab.bbSelectUserSoundDir)})
            QCOMPARE(control->isEnabled(), fileControlsEnabled);
        QCOMPARE(tab.bbSoundProba->isEnabled(), useSound);
        QCOMPARE(tab.txtUserSoundFile->text(), QStringLiteral("end.wav"));
        QCOMPARE(tab.txtUserSoundDir->text(), QStringLiteral("/sounds/"));
        QVERIFY(!applyEnabled(tab));
    }

    void soundClicks()
    {
        openForm();
        TSoundTab& tab = showTab(m_form->tsSound);
        tab.cbUserSoundFile->click();
        QVERIFY(tab.txtUserSoundFile->isEnabled());
        QVERIFY(applyEnabled(tab));
        tab.cbUseSound->click();
        QVERIFY(!tab.cbUserSoundFile->isEnabled());
        QVERIFY(!tab.txtUserSoundDir->isEnabled());
        QVERIFY(!tab.bbSoundProba->isEnabled());
        tab.cbUseSound->click();
        QVERIFY(tab.cbUserSoundFile->isEnabled());
        QVERIFY(tab.bbSelectUserSoundDir->isEnabled());
        QVERIFY(tab.bbSoundProba->isEnabled());
        tab.cbUserSoundFile->click();
        QVERIFY(!tab.bbSelectUserSoundFile->isEnabled());

        // The file chooser splits the chosen path into the name and the folder.
        tab.cbUserSoundFile->click();
        m_choosers->soundFiles = {QStringLiteral("/home/t/Звуки/gong.WAV")};
        tab.bbSelectUserSoundFile->click();
        QCOMPARE(tab.txtUserSoundFile->text(), QStringLiteral("gong.WAV"));
        QCOMPARE(tab.txtUserSoundDir->text(), QStringLiteral("/home/t/Звуки/"));
        m_choosers->folders = {QStringLiteral("/media/sounds")};
        tab.bbSelectUserSoundDir->click();
        QCOMPARE(tab.txtUserSoundDir->text(), QStringLiteral("/media/sounds"));
        tab.bbSelectUserSoundDir->click(); // cancelled
        QCOMPARE(tab.txtUserSoundDir->text(), QStringLiteral("/media/sounds"));
    }

    void soundApply_data()
    {
        QTest::addColumn<bool>("useSound");
        QTest::addColumn<bool>("userFile");
        QTest::addColumn<bool>("expectedUseDefault");
        QTest::addColumn<QString>("expectedName");
        QTest::addColumn<QString>("expectedDir");
        QTest::newRow("user file, trimmed")
            << true << true << false << QStringLiteral("a b.wav") << QStringLiteral("/snd/");
        QTest::newRow("built-in empties the names") << true << false << true << QString() << QString();
        QTest::newRow("off empties the names") << false << true << true << QString() << QString();
    }

    void soundApply()
    {
        QFETCH(bool, useSound);
        QFETCH(bool, userFile);
        QFETCH(bool, expectedUseDefault);
        QFETCH(QString, expectedName);
        QFETCH(QString, expectedDir);
        m_config.IsUseSound = true;
        m_config.IsUseDefaultSound = false;
        m_config.SoundFileName = QStringLiteral("old.wav");
        openForm();
        TSoundTab& tab = showTab(m_form->tsSound);
        if (tab.cbUseSound->isChecked() != useSound)
            tab.cbUseSound->click();
        if (tab.cbUserSoundFile->isChecked() != userFile)
            tab.cbUserSoundFile->click();
        tab.txtUserSoundFile->setText(QStringLiteral(" a b.wav  "));
        tab.txtUserSoundDir->setText(QStringLiteral("  /snd/ "));
        tab.applyButton()->click();
        QCOMPARE(m_config.IsUseSound, useSound);
        QCOMPARE(m_config.IsUseDefaultSound, expectedUseDefault);
        QCOMPARE(m_config.SoundFileName, expectedName);
        QCOMPARE(m_config.SoundFileDir, expectedDir);
        QVERIFY(!applyEnabled(tab));
    }

    // "Проба" plays the built-in sound or the file of the fields, the program folder
    // standing in for an empty folder; a missing file plays nothing.
    void soundTrial_data()
    {
        QTest::addColumn<bool>("userFile");
        QTest::addColumn<QString>("fileField");
        QTest::addColumn<QString>("dirField");
        QTest::addColumn<QString>("expected"); // relative to the temporary folder; "" for nothing
        QTest::newRow("built-in") << false << QStringLiteral("gong.wav") << QString()
                                  << QStringLiteral("qrc");
        QTest::newRow("file in the folder") << true << QStringLiteral(" gong.wav ")
                                            << QStringLiteral("sounds ") << QStringLiteral("sounds/gong.wav");
        QTest::newRow("folder with separator")
            << true << QStringLiteral("gong.wav") << QStringLiteral("sounds/")
            << QStringLiteral("sounds/gong.wav");
        QTest::newRow("program folder") << true << QStringLiteral("own.wav") << QStringLiteral("  ")
                                        << QStringLiteral("Программа/own.wav");
        QTest::newRow("missing file")
            << true << QStringLiteral("none.wav") << QStringLiteral("sounds") << QString();
    }

    void soundTrial()
    {
        QFETCH(bool, userFile);
        QFETCH(QString, fileField);
        QFETCH(QString, dirField);
        QFETCH(QString, expected);
        QVERIFY(touch(path(QStringLiteral("sounds/gong.wav"))));
        QVERIFY(touch(path(QStringLiteral("Программа/own.wav"))));
        openForm();
        TSoundTab& tab = showTab(m_form->tsSound);
        if (userFile)
            tab.cbUserSoundFile->click();
        tab.txtUserSoundFile->setText(fileField);
        // A relative folder in the field is taken from the test's own folder.
        const QString dir = dirField.trimmed().isEmpty() ? dirField : path(dirField);
        tab.txtUserSoundDir->setText(dir);
        tab.bbSoundProba->click();
        if (expected.isEmpty()) {
            QVERIFY(m_player.played.isEmpty());
        } else if (expected == QLatin1String("qrc")) {
            QCOMPARE(m_player.played, QList<QUrl>{QUrl(QStringLiteral("qrc:/sounds/endtest.wav"))});
        } else {
            QCOMPARE(m_player.played.size(), 1);
            QCOMPARE(QDir::cleanPath(m_player.played.constFirst().toLocalFile()), path(expected));
        }
    }

    void passwordShow()
    {
        openForm();
        TPasswordTab& tab = showTab(m_form->tbPassword);
        QVERIFY(!tab.cbUsePassword->isChecked());
        QVERIFY(!tab.txtPassword->isEnabled());
        QCOMPARE(tab.txtPassword->text(), QString());
        QCOMPARE(tab.txtPassword->echoMode(), QLineEdit::Normal);
        QVERIFY(!applyEnabled(tab));

        QVERIFY(settingspassword::Write(QStringLiteral("Секрет")));
        openForm();
        TPasswordTab& again = showTab(m_form->tbPassword);
        QVERIFY(again.cbUsePassword->isChecked());
        QVERIFY(again.txtPassword->isEnabled());
        QCOMPARE(again.txtPassword->text(), QStringLiteral("Секрет"));
        QVERIFY(!applyEnabled(again));
        again.cbUsePassword->click();
        QVERIFY(!again.txtPassword->isEnabled());
        QVERIFY(applyEnabled(again));
    }

    void passwordApply_data()
    {
        QTest::addColumn<QString>("before"); // "<none>" for no value
        QTest::addColumn<bool>("usePassword");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("after"); // "<none>" for no value
        const QString none = QStringLiteral("<none>");
        QTest::newRow("trailing blank is dropped")
            << none << true << QStringLiteral("pass ") << QStringLiteral("pass");
        QTest::newRow("letter case kept")
            << none << true << QStringLiteral(" ПаРоль") << QStringLiteral("ПаРоль");
        QTest::newRow("empty field leaves none") << none << true << QString() << QString();
        QTest::newRow("blank field leaves none")
            << QStringLiteral("old") << true << QStringLiteral("   ") << QString();
        QTest::newRow("cleared box removes the value")
            << QStringLiteral("old") << false << QStringLiteral("old") << none;
        QTest::newRow("cleared box and field") << QStringLiteral("old") << false << QString() << QString();
    }

    void passwordApply()
    {
        QFETCH(QString, before);
        QFETCH(bool, usePassword);
        QFETCH(QString, field);
        QFETCH(QString, after);
        const QString none = QStringLiteral("<none>");
        if (before != none)
            QVERIFY(settingspassword::Write(before));
        openForm();
        TPasswordTab& tab = showTab(m_form->tbPassword);
        if (tab.cbUsePassword->isChecked() != usePassword)
            tab.cbUsePassword->click();
        tab.txtPassword->setText(field);
        tab.applyButton()->click();
        QCOMPARE(storedPassword().value_or(none), after);
        QVERIFY(!applyEnabled(tab));
        // The dialog is protected exactly when a non-empty password remains.
        m_prompts->passwords = {std::nullopt};
        m_form->OpenWithPasswordCheck();
        QCOMPARE(m_prompts->passwordAsks, after != none && !after.isEmpty() ? 1 : 0);
    }

    void openWithPasswordCheck_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QList<std::optional<QString>>>("typed");
        QTest::addColumn<int>("asks");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<bool>("refused");
        using Typed = QList<std::optional<QString>>;
        QTest::newRow("no password") << QString() << Typed{} << 0 << true << false;
        QTest::newRow("right") << QStringLiteral("abc") << Typed{QStringLiteral("abc")} << 1 << true << false;
        QTest::newRow("trailing blank refused")
            << QStringLiteral("abc") << Typed{QStringLiteral("abc ")} << 1 << false << true;
        QTest::newRow("letter case counts")
            << QStringLiteral("abc") << Typed{QStringLiteral("ABC")} << 1 << false << true;
        QTest::newRow("cancelled") << QStringLiteral("abc") << Typed{std::nullopt} << 1 << false << false;
    }

    void openWithPasswordCheck()
    {
        QFETCH(QString, stored);
        QFETCH(QList<std::optional<QString>>, typed);
        QFETCH(int, asks);
        QFETCH(bool, opened);
        QFETCH(bool, refused);
        QVERIFY(settingspassword::Write(stored));
        openForm().hide();
        m_prompts->passwords = typed;
        m_form->OpenWithPasswordCheck();
        QCOMPARE(m_prompts->passwordAsks, asks);
        QCOMPARE(m_prompts->dialogs,
                 opened ? QStringList{QStringLiteral("StudentAdditionConfigForm")} : QStringList{});
        if (refused) {
            QCOMPARE(m_prompts->messages.size(), 1);
            QCOMPARE(m_prompts->messages[0].text, QStringLiteral("Не верный пароль..."));
            QCOMPARE(m_prompts->messages[0].icon, MessageIcon::None);
        } else {
            QVERIFY(m_prompts->messages.isEmpty());
        }
    }

    // Written, found in place, and found not in place once the program has moved.
    void association()
    {
        openForm();
        TAssociationTab& tab = *m_form->tsAssociation;
        QCOMPARE(m_form->currentTab(), &tab);
        QVERIFY(!tab.cbExtKVF->isChecked());
        QVERIFY(tab.cbExtKVF->isEnabled());
        QVERIFY(!applyEnabled(tab));

        // Apply with the box clear does nothing.
        tab.cbExtKVF->click();
        tab.cbExtKVF->click();
        tab.applyButton()->click();
        QVERIFY(!QFile::exists(m_desktop->associationEntryPath()));

        tab.cbExtKVF->click();
        tab.applyButton()->click();
        QVERIFY(m_prompts->messages.isEmpty());
        QCOMPARE(readAll(m_desktop->mimePackagePath()), m_desktop->mimePackageText());
        const QByteArray entry = readAll(m_desktop->associationEntryPath());
        QVERIFY(entry.contains("\nExec=\"" + programPath().toUtf8() + "\" %f\n") ||
                entry.contains("\nExec=" + programPath().toUtf8() + " %f\n"));
        QVERIFY(entry.contains("\nMimeType=application/x-kvizor-test;\n"));
        QVERIFY(tab.cbExtKVF->isChecked());
        QVERIFY(!tab.cbExtKVF->isEnabled());
        // The button stays enabled; pressing it again writes nothing.
        QVERIFY(applyEnabled(tab));
        QVERIFY(QFile::remove(m_desktop->mimePackagePath()));
        tab.applyButton()->click();
        QVERIFY(!QFile::exists(m_desktop->mimePackagePath()));

        // A new opening finds it in place, or not once a file is gone or differs.
        openForm();
        QVERIFY(m_form->tsAssociation->cbExtKVF->isEnabled());
        QVERIFY(!m_form->tsAssociation->cbExtKVF->isChecked());
        m_form->tsAssociation->cbExtKVF->click();
        m_form->tsAssociation->applyButton()->click();
        openForm();
        QVERIFY(m_form->tsAssociation->cbExtKVF->isChecked());
        QVERIFY(!m_form->tsAssociation->cbExtKVF->isEnabled());

        // The same files for a program in another folder are not the association.
        m_desktop = integration(path(QStringLiteral("moved/KvizorStudent")));
        openForm();
        QVERIFY(m_form->tsAssociation->cbExtKVF->isEnabled());
        m_form->tsAssociation->cbExtKVF->click();
        m_form->tsAssociation->applyButton()->click();
        QVERIFY(!m_form->tsAssociation->cbExtKVF->isEnabled());
        QVERIFY(readAll(m_desktop->associationEntryPath()).contains(path(QStringLiteral("moved")).toUtf8()));
    }

    // What the desktop does with a test file once the association is made: xdg-open
    // starts the program with the file (the desktop's tools are needed for that).
    void associationOpensTestFiles()
    {
        const QStringList tools{QStringLiteral("xdg-open"), QStringLiteral("xdg-mime"),
                                QStringLiteral("update-mime-database"),
                                QStringLiteral("update-desktop-database"), QStringLiteral("mimetype")};
        for (const QString& tool : tools) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                QSKIP(qPrintable(tool + QStringLiteral(" is not installed")));
        }
        // A stand-in program that notes what it was started with.
        // xdg-open on a generic desktop splits Exec at blanks whatever the quoting, so the
        // program's own path has none here (an installed program's never has).
        const QString program = path(QStringLiteral("Папка-программы/KvizorStudent"));
        const QString noted = path(QStringLiteral("opened.txt"));
        QDir().mkpath(QFileInfo(program).absolutePath());
        QFile script(program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + noted.toUtf8() + "'\n");
        script.close();
        QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));

        XdgDesktopIntegration desktop(program, locations());
        const IntegrationResult result = desktop.RegisterAssociation();
        QVERIFY2(result.ok, qPrintable(result.errorText));
        QVERIFY(desktop.IsAssociationRegistered());
        QTRY_VERIFY(!desktop.isRefreshingCaches());

        const QString testFile = path(QStringLiteral("Мой тест.kvf"));
        QFile test(testFile);
        QVERIFY(test.open(QIODevice::WriteOnly) && test.write("not really a test") > 0);
        test.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), locations().dataHome);
        // A generic desktop session; the stand-in never talks to the display.
        environment.insert(QStringLiteral("DISPLAY"), QStringLiteral(":99"));
        // The test's Russian locale may not be installed; the tools need some UTF-8 locale.
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                 "GNOME_DESKTOP_SESSION_ID", "WAYLAND_DISPLAY", "BROWSER"})
            environment.remove(QString::fromLatin1(name));
        const auto run = [&](const QString& tool, const QStringList& arguments) {
            QProcess process;
            process.setProcessEnvironment(environment);
            process.start(tool, arguments);
            if (!process.waitForFinished(60000))
                return QStringLiteral("<timeout>");
            return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        };
        QCOMPARE(
            run(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("filetype"), testFile}),
            QStringLiteral("application/x-kvizor-test"));
        QCOMPARE(run(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                                  QStringLiteral("application/x-kvizor-test")}),
                 QStringLiteral("kvizor3-kvf.desktop"));
        run(QStringLiteral("xdg-open"), {testFile});
        QTRY_COMPARE(QString::fromUtf8(readAll(noted)).trimmed(), testFile);
    }

    // The desktop's caches are refreshed after "Применить" has returned; a tool that fails
    // then is still reported.
    void associationCacheFailureIsReportedLater()
    {
        const QString tools = path(QStringLiteral("tools"));
        for (const char* name : {"update-mime-database", "update-desktop-database"}) {
            QFile tool(QDir(tools).filePath(QLatin1String(name)));
            QVERIFY(QDir().mkpath(tools) && tool.open(QIODevice::WriteOnly));
            tool.write("#!/bin/sh\necho 'no space left' >&2\nexit 1\n");
            tool.close();
            QVERIFY(tool.setPermissions(tool.permissions() | QFileDevice::ExeOwner));
        }
        m_desktop = std::make_unique<XdgDesktopIntegration>(programPath(), locations(), QStringList{tools});
        openForm();
        TAssociationTab& tab = *m_form->tsAssociation;
        tab.cbExtKVF->click();
        tab.applyButton()->click();
        QVERIFY(!tab.cbExtKVF->isEnabled());
        QTRY_COMPARE(m_prompts->messages.size(), 2);
        QCOMPARE(m_prompts->messages[0].caption, QStringLiteral("Ошибка!"));
        QVERIFY2(m_prompts->messages[0].text.contains(QStringLiteral("update-mime-database")),
                 qPrintable(m_prompts->messages[0].text));
        QVERIFY(m_prompts->messages[0].text.contains(QStringLiteral("no space left")));
    }

    // A failed write is reported, and the box stays available for another try.
    void associationFailure()
    {
        QVERIFY(touch(path(QStringLiteral("data/mime")))); // a file where a folder is needed
        openForm();
        TAssociationTab& tab = *m_form->tsAssociation;
        tab.cbExtKVF->click();
        tab.applyButton()->click();
        QCOMPARE(m_prompts->messages.size(), 1);
        QCOMPARE(m_prompts->messages[0].caption, QStringLiteral("Ошибка!"));
        QCOMPARE(m_prompts->messages[0].icon, MessageIcon::Error);
        QVERIFY(!m_prompts->messages[0].text.isEmpty());
        QVERIFY(tab.cbExtKVF->isEnabled());
    }

    void shortcuts()
    {
        openForm();
        TLnkTab& tab = showTab(m_form->tsLnk);
        QVERIFY(!tab.cbLnkDesktop->isChecked() && !tab.cbLnkStart->isChecked());
        QVERIFY(!applyEnabled(tab));
        tab.cbLnkDesktop->click();
        tab.cbLnkStart->click();
        QVERIFY(applyEnabled(tab));
        tab.applyButton()->click();
        QVERIFY(!applyEnabled(tab));

        const QString folder = path(QStringLiteral("Программа/"));
        const QByteArray expected =
            "[Desktop Entry]\nType=Application\nVersion=1.0\nName=KvizorStudent\nExec=" +
            programPath().toUtf8() + "\nPath=" + folder.toUtf8() +
            "\nIcon=kvizorstudent\nTerminal=false\nCategories=Education;\n";
        const QString desktopFile = path(QStringLiteral("Desktop/KvizorStudent.desktop"));
        const QString menuFile = path(QStringLiteral("data/applications/Kvizor3/KvizorStudent.desktop"));
        QCOMPARE(readAll(desktopFile), expected);
        QCOMPARE(readAll(menuFile), expected);
        QVERIFY(QFileInfo(desktopFile).isExecutable());
        QCOMPARE(m_prompts->messages.size(), 2);
        QCOMPARE(m_prompts->messages[0].text, QStringLiteral("Ярлык на Рабочем столе создан."));
        QCOMPARE(m_prompts->messages[1].text, QStringLiteral("Ярлык в меню \"ПУСК\" создан."));
        QCOMPARE(m_prompts->messages[1].icon, MessageIcon::None);

        // Again: the menu shortcut is overwritten and reported again.
        QVERIFY(QFile::resize(menuFile, 3));
        showTab(m_form->tsAssociation);
        showTab(m_form->tsLnk);
        QVERIFY(!tab.cbLnkStart->isChecked());
        tab.cbLnkStart->click();
        tab.applyButton()->click();
        QCOMPARE(readAll(menuFile), expected);
        QCOMPARE(m_prompts->messages.size(), 3);
        QCOMPARE(m_prompts->messages[2].text, QStringLiteral("Ярлык в меню \"ПУСК\" создан."));
    }

    // Without a desktop folder the failure is reported and the menu shortcut still made.
    void shortcutFailure()
    {
        QVERIFY(QDir(path(QStringLiteral("Desktop"))).removeRecursively());
        openForm();
        TLnkTab& tab = showTab(m_form->tsLnk);
        tab.cbLnkDesktop->click();
        tab.cbLnkStart->click();
        tab.applyButton()->click();
        QCOMPARE(m_prompts->messages.size(), 2);
        QCOMPARE(m_prompts->messages[0].caption, QStringLiteral("Ошибка!"));
        QCOMPARE(m_prompts->messages[1].text, QStringLiteral("Ярлык в меню \"ПУСК\" создан."));
        QVERIFY(QFile::exists(path(QStringLiteral("data/applications/Kvizor3/KvizorStudent.desktop"))));
    }

    // The menu command opens a new dialog each time, behind the settings password.
    void mainWindowCommand()
    {
        ScriptedPrompts prompts;
        TStudentMainForm::Options options;
        options.programFolder = path(QStringLiteral("Программа"));
        options.prompts = &prompts;
        TStudentMainForm window(options);
        QStringList seen;
        prompts.onDialog = [&](QDialog& dialog) {
            auto& form = static_cast<TStudentAdditionConfigForm&>(dialog);
            form.show();
            seen.append(QStringLiteral("%1 %2")
                            .arg(form.PageControl()->currentIndex())
                            .arg(int(dialog.parent() == &window)));
            // A change made here reaches the window's settings.
            form.PageControl()->setCurrentWidget(form.TabSheetNetConfig);
            form.TabSheetNetConfig->Edit_RemoteHost->setText(QStringLiteral("teacher-pc"));
            form.TabSheetNetConfig->applyButton()->click();
            form.PageControl()->setCurrentIndex(5);
            return int(QDialog::Rejected);
        };
        window.AAdditionConfig->trigger();
        window.AAdditionConfig->trigger();
        QCOMPARE(seen, (QStringList{QStringLiteral("0 1"), QStringLiteral("0 1")}));
        QCOMPARE(window.Config.RemoteHost, QStringLiteral("teacher-pc"));
        QVERIFY(window.findChildren<TStudentAdditionConfigForm*>().isEmpty());

        QVERIFY(settingspassword::Write(QStringLiteral("pw")));
        prompts.passwords = {QStringLiteral("PW")};
        window.AAdditionConfig->trigger();
        QCOMPARE(seen.size(), 2);
        QCOMPARE(prompts.messages.last().text, QStringLiteral("Не верный пароль..."));
    }
};

int main(int argc, char** argv)
{
    const kvizor::test::TestEnvironment environment;
    QApplication::setOrganizationName(QStringLiteral("Kvizor3"));
    QApplication::setApplicationName(QStringLiteral("Student"));
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    TestAdditionConfig test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_additionconfig.moc"
