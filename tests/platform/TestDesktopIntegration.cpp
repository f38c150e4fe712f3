#include "PlatformTests.h"

#include "platform/linux/XdgDesktopIntegration.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace kvizor;

namespace {

const QString ProgramPath = QStringLiteral("/opt/Kvizor Student/KvizorStudent");

const QByteArray ExpectedMimePackage =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
    "  <mime-type type=\"application/x-kvizor-test\">\n"
    "    <comment>Kvizor3 Компьютерные тесты</comment>\n"
    "    <icon name=\"application-x-kvizor-test\"/>\n"
    "    <glob pattern=\"*.kvf\"/>\n"
    "  </mime-type>\n"
    "</mime-info>\n";

const QByteArray ExpectedAssociationEntry = "[Desktop Entry]\n"
                                            "Type=Application\n"
                                            "Version=1.0\n"
                                            "Name=KvizorStudent\n"
                                            "Comment=Kvizor3 Компьютерные тесты\n"
                                            "Exec=\"/opt/Kvizor Student/KvizorStudent\" %f\n"
                                            "Icon=kvizorstudent\n"
                                            "MimeType=application/x-kvizor-test;\n"
                                            "NoDisplay=true\n"
                                            "Terminal=false\n";

const QByteArray ExpectedShortcut = "[Desktop Entry]\n"
                                    "Type=Application\n"
                                    "Version=1.0\n"
                                    "Name=KvizorStudent\n"
                                    "Exec=\"/opt/Kvizor Student/KvizorStudent\"\n"
                                    "Path=/opt/Kvizor Student/\n"
                                    "Icon=kvizorstudent\n"
                                    "Terminal=false\n"
                                    "Categories=Education;\n";

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeAll(const QString& path, const QByteArray& content, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

} // namespace

class TestDesktopIntegration : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    XdgLocations m_locations;
    QString m_noTools; // a search path without the cache tools

    XdgDesktopIntegration integration(const QString& program = ProgramPath) const
    {
        return XdgDesktopIntegration(program, m_locations, {m_noTools});
    }
    // Tools that note their runs; with a gate, each waits (at most ten seconds) until the
    // gate file exists before it ends.
    QString fakeToolFolder(int exitCode, const QByteArray& complaint = {}, const QString& gate = {}) const
    {
        const QString folder = m_home->filePath(QStringLiteral("tools"));
        const QString log = m_home->filePath(QStringLiteral("tools.log"));
        const QByteArray wait = gate.isEmpty()
                                    ? QByteArray()
                                    : "i=0; while [ ! -e '" + gate.toUtf8() +
                                          "' ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done\n";
        for (const char* name : {"update-mime-database", "update-desktop-database"}) {
            const QByteArray script =
                "#!/bin/sh\necho \"" + QByteArray(name) + " $*\" >> '" + log.toUtf8() + "'\n" + wait +
                (complaint.isEmpty() ? QByteArray() : "echo '" + complaint + "' >&2\n") + "exit " +
                QByteArray::number(exitCode) + "\n";
            writeAll(QDir(folder).filePath(QLatin1String(name)), script, true);
        }
        return folder;
    }
    QByteArray toolRuns(int times) const
    {
        const QByteArray once = "update-mime-database " + m_locations.dataHome.toUtf8() +
                                "/mime\nupdate-desktop-database " + m_locations.dataHome.toUtf8() +
                                "/applications\n";
        return once.repeated(times);
    }

private Q_SLOTS:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        m_locations = {m_home->filePath(QStringLiteral("data")),
                       m_home->filePath(QStringLiteral("Desktop")),
                       {m_home->filePath(QStringLiteral("system"))}};
        m_noTools = m_home->filePath(QStringLiteral("no-tools"));
        QVERIFY(QDir().mkpath(m_locations.desktopFolder));
    }

    void associationWritesExactFiles()
    {
        XdgDesktopIntegration desktop = integration();
        QVERIFY(desktop.isAvailable());
        QVERIFY(!desktop.IsAssociationRegistered());
        const IntegrationResult result = desktop.RegisterAssociation();
        QVERIFY2(result.ok, qPrintable(result.errorText));
        QVERIFY(result.message.isEmpty());
        QCOMPARE(desktop.mimePackagePath(),
                 m_locations.dataHome + QStringLiteral("/mime/packages/kvizor3-kvf.xml"));
        QCOMPARE(desktop.associationEntryPath(),
                 m_locations.dataHome + QStringLiteral("/applications/kvizor3-kvf.desktop"));
        QCOMPARE(readAll(desktop.mimePackagePath()), ExpectedMimePackage);
        QCOMPARE(readAll(desktop.associationEntryPath()), ExpectedAssociationEntry);
        QVERIFY(desktop.IsAssociationRegistered());
    }

    void movedProgramIsNotAssociated()
    {
        QVERIFY(integration().RegisterAssociation().ok);
        XdgDesktopIntegration moved = integration(QStringLiteral("/home/user/KvizorStudent"));
        QVERIFY(!moved.IsAssociationRegistered());
        QVERIFY(moved.RegisterAssociation().ok);
        QVERIFY(moved.IsAssociationRegistered());
        QVERIFY(!integration().IsAssociationRegistered());
    }

    void changedFilesAreNotInPlace_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content"); // empty: the file is removed
        QTest::newRow("entry missing") << QStringLiteral("entry") << QByteArray();
        QTest::newRow("package missing") << QStringLiteral("package") << QByteArray();
        QTest::newRow("command differs in letter case")
            << QStringLiteral("entry")
            << QByteArray(ExpectedAssociationEntry).replace("/opt/Kvizor Student/", "/opt/kvizor student/");
        QTest::newRow("entry with an extra line")
            << QStringLiteral("entry") << ExpectedAssociationEntry + "\n";
        QTest::newRow("entry cut short") << QStringLiteral("entry") << ExpectedAssociationEntry.chopped(1);
        QTest::newRow("package for another extension")
            << QStringLiteral("package") << QByteArray(ExpectedMimePackage).replace("*.kvf", "*.kvt");
    }
    void changedFilesAreNotInPlace()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        XdgDesktopIntegration desktop = integration();
        QVERIFY(desktop.RegisterAssociation().ok);
        const QString path =
            file == QLatin1String("entry") ? desktop.associationEntryPath() : desktop.mimePackagePath();
        if (content.isEmpty())
            QVERIFY(QFile::remove(path));
        else
            QVERIFY(writeAll(path, content));
        QVERIFY(!desktop.IsAssociationRegistered());
        // Writing again puts it back in place.
        QVERIFY(desktop.RegisterAssociation().ok);
        QVERIFY(desktop.IsAssociationRegistered());
    }

    void execQuoting_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << QStringLiteral("/usr/bin/kvizor") << QStringLiteral("/usr/bin/kvizor");
        QTest::newRow("blanks and cyrillic") << QStringLiteral("/home/Иван/Мои программы/kvizor")
                                             << QStringLiteral("\"/home/Иван/Мои программы/kvizor\"");
        QTest::newRow("double quote") << QStringLiteral("/a\"b/k") << QStringLiteral("\"/a\\\\\"b/k\"");
        QTest::newRow("dollar and backtick")
            << QStringLiteral("/$x/`y`/k") << QStringLiteral("\"/\\\\$x/\\\\`y\\\\`/k\"");
        QTest::newRow("backslash") << QStringLiteral("/a\\b/k") << QStringLiteral("\"/a\\\\\\\\b/k\"");
        QTest::newRow("percent") << QStringLiteral("/100%/k") << QStringLiteral("/100%%/k");
        QTest::newRow("percent in quotes")
            << QStringLiteral("/100% sure/k") << QStringLiteral("\"/100%% sure/k\"");
        QTest::newRow("single quote") << QStringLiteral("/it's/k") << QStringLiteral("\"/it's/k\"");
    }
    void execQuoting()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(xdg::EscapeString(xdg::QuoteExecArgument(path)), exec);
        const QByteArray entry = integration(path).associationEntryText();
        QVERIFY(entry.contains("\nExec=" + exec.toUtf8() + " %f\n"));
    }

    void pathWithControlCharactersIsRefused()
    {
        XdgDesktopIntegration desktop = integration(QStringLiteral("/opt/a\nb/KvizorStudent"));
        const IntegrationResult result = desktop.RegisterAssociation();
        QVERIFY(!result.ok);
        QVERIFY(!result.errorText.isEmpty());
        QVERIFY(!QFile::exists(desktop.mimePackagePath()));
        QVERIFY(!QFile::exists(desktop.associationEntryPath()));
        QVERIFY(!desktop.IsAssociationRegistered());
        QVERIFY(!desktop.createDesktopShortcut().ok);
    }

    void unwritableFolderIsReported()
    {
        // A file where the folder should be stops every user, the administrator included.
        QVERIFY(writeAll(m_locations.dataHome + QStringLiteral("/mime"), "not a folder"));
        const IntegrationResult result = integration().RegisterAssociation();
        QVERIFY(!result.ok);
        QVERIFY2(result.errorText.contains(QStringLiteral("kvizor3-kvf.xml")), qPrintable(result.errorText));
    }

    void cacheToolsRunInTheBackgroundInOrder()
    {
        // The tools are still waiting at their gate when the actions have returned, and
        // the second action's runs come after the first's.
        const QString gate = m_home->filePath(QStringLiteral("gate"));
        XdgDesktopIntegration desktop(ProgramPath, m_locations, {fakeToolFolder(0, {}, gate)});
        QStringList failures;
        desktop.setLateFailureHandler([&failures](const QString& error) { failures << error; });
        QVERIFY(desktop.RegisterAssociation().ok);
        QVERIFY(desktop.removeAssociation().ok);
        QVERIFY(desktop.isRefreshingCaches());
        const QString log = m_home->filePath(QStringLiteral("tools.log"));
        QTRY_COMPARE(readAll(log), toolRuns(1).left(toolRuns(1).indexOf('\n') + 1));
        QVERIFY(writeAll(gate, "open"));
        QTRY_VERIFY(!desktop.isRefreshingCaches());
        QCOMPARE(readAll(log), toolRuns(2));
        QCOMPARE(failures, QStringList());
    }

    void cacheToolsOutliveTheirOwner()
    {
        const QString gate = m_home->filePath(QStringLiteral("gate"));
        QStringList failures;
        {
            XdgDesktopIntegration desktop(ProgramPath, m_locations, {fakeToolFolder(3, "late", gate)});
            desktop.setLateFailureHandler([&failures](const QString& error) { failures << error; });
            QVERIFY(desktop.RegisterAssociation().ok);
        }
        QVERIFY(writeAll(gate, "open"));
        QTRY_COMPARE(readAll(m_home->filePath(QStringLiteral("tools.log"))), toolRuns(1));
        QTest::qWait(200);
        QCOMPARE(failures, QStringList()); // nobody is left to tell
    }

    void failingCacheToolIsReported()
    {
        XdgDesktopIntegration desktop(ProgramPath, m_locations, {fakeToolFolder(3, "broken database")});
        QStringList failures;
        desktop.setLateFailureHandler([&failures](const QString& error) { failures << error; });
        const IntegrationResult result = desktop.RegisterAssociation();
        QVERIFY2(result.ok, qPrintable(result.errorText));
        // The files themselves were written.
        QVERIFY(desktop.IsAssociationRegistered());
        QTRY_COMPARE(failures.size(), 2);
        QVERIFY2(failures[0].contains(QStringLiteral("update-mime-database")), qPrintable(failures[0]));
        QVERIFY2(failures[0].contains(QStringLiteral("broken database")), qPrintable(failures[0]));
        QVERIFY2(failures[1].contains(QStringLiteral("update-desktop-database")), qPrintable(failures[1]));
    }

    void iconsOfACopyThatIsNotInstalled_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("shortcut"); // else the association
        QTest::newRow("association") << false << false;
        QTest::newRow("shortcut") << false << true;
        QTest::newRow("installed program") << true << false;
    }

    void iconsOfACopyThatIsNotInstalled()
    {
        QFETCH(bool, installed);
        QFETCH(bool, shortcut);
        const QStringList icons = XdgDesktopIntegration::iconPaths();
        if (installed) {
            for (const QString& icon : icons)
                QVERIFY(writeAll(QDir(m_locations.systemDataFolders.constFirst()).filePath(icon), "<svg/>"));
        }
        XdgDesktopIntegration desktop = integration();
        const IntegrationResult result =
            shortcut ? desktop.createMenuShortcut() : desktop.RegisterAssociation();
        QVERIFY2(result.ok, qPrintable(result.errorText));
        for (const QString& icon : icons) {
            const QString path = QDir(m_locations.dataHome).filePath(icon);
            QCOMPARE(QFile::exists(path), !installed);
            if (!installed)
                QCOMPARE(readAll(path),
                         readAll(QStringLiteral(":/kvizor/icons/") + QFileInfo(icon).fileName()));
        }
        QVERIFY(icons.constFirst().endsWith(u"/apps/kvizorstudent.svg"));
        QVERIFY(icons.constLast().endsWith(u"/mimetypes/application-x-kvizor-test.svg"));
    }

    void iconFailureIsReported()
    {
        QVERIFY(writeAll(m_locations.dataHome + QStringLiteral("/icons"), "not a folder"));
        const IntegrationResult result = integration().createMenuShortcut();
        QVERIFY(!result.ok);
        QVERIFY2(result.errorText.contains(QStringLiteral("kvizorstudent.svg")),
                 qPrintable(result.errorText));
    }

    void realMimeDatabaseKnowsTheExtension()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("update-mime-database")).isEmpty())
            QSKIP("update-mime-database is not installed");
        XdgDesktopIntegration desktop(ProgramPath, m_locations);
        const IntegrationResult result = desktop.RegisterAssociation();
        QVERIFY2(result.ok, qPrintable(result.errorText));
        QTRY_VERIFY(!desktop.isRefreshingCaches());
        QVERIFY(readAll(m_locations.dataHome + QStringLiteral("/mime/globs2"))
                    .contains("application/x-kvizor-test:*.kvf"));
        QVERIFY(desktop.removeAssociation().ok);
        QTRY_VERIFY(!desktop.isRefreshingCaches());
        QVERIFY(!readAll(m_locations.dataHome + QStringLiteral("/mime/globs2")).contains("x-kvizor-test"));
    }

    void removal()
    {
        XdgDesktopIntegration desktop = integration();
        QVERIFY(desktop.removeAssociation().ok); // nothing to remove is fine
        QVERIFY(desktop.RegisterAssociation().ok);
        QVERIFY(desktop.removeAssociation().ok);
        QVERIFY(!QFile::exists(desktop.mimePackagePath()));
        QVERIFY(!QFile::exists(desktop.associationEntryPath()));
        QVERIFY(!desktop.IsAssociationRegistered());
    }

    void desktopShortcut()
    {
        XdgDesktopIntegration desktop = integration();
        for (int round = 0; round < 2; ++round) { // the second one replaces the first
            const IntegrationResult result = desktop.createDesktopShortcut();
            QVERIFY2(result.ok, qPrintable(result.errorText));
            QCOMPARE(result.message, QStringLiteral("Ярлык на Рабочем столе создан."));
        }
        QCOMPARE(desktop.desktopShortcutPath(),
                 m_locations.desktopFolder + QStringLiteral("/KvizorStudent.desktop"));
        QCOMPARE(readAll(desktop.desktopShortcutPath()), ExpectedShortcut);
        QVERIFY(QFileInfo(desktop.desktopShortcutPath()).isExecutable());
        QCOMPARE(QDir(m_locations.desktopFolder).entryList(QDir::Files),
                 QStringList{QStringLiteral("KvizorStudent.desktop")});
    }

    void menuShortcut()
    {
        XdgDesktopIntegration desktop = integration();
        for (int round = 0; round < 2; ++round) {
            const IntegrationResult result = desktop.createMenuShortcut();
            QVERIFY2(result.ok, qPrintable(result.errorText));
            QCOMPARE(result.message, QStringLiteral("Ярлык в меню \"ПУСК\" создан."));
        }
        QCOMPARE(desktop.menuShortcutPath(),
                 m_locations.dataHome + QStringLiteral("/applications/Kvizor3/KvizorStudent.desktop"));
        QCOMPARE(readAll(desktop.menuShortcutPath()), ExpectedShortcut);
    }

    void shortcutFailuresAreReported()
    {
        QVERIFY(QDir(m_locations.desktopFolder).removeRecursively());
        XdgDesktopIntegration desktop = integration();
        IntegrationResult result = desktop.createDesktopShortcut();
        QVERIFY(!result.ok);
        QVERIFY(result.message.isEmpty());
        QVERIFY(result.errorText.contains(QStringLiteral("Рабочего стола")));

        QVERIFY(writeAll(m_locations.dataHome + QStringLiteral("/applications/Kvizor3"), "not a folder"));
        result = desktop.createMenuShortcut();
        QVERIFY(!result.ok);
        QVERIFY(result.message.isEmpty());
        QVERIFY(!result.errorText.isEmpty());
    }

    void runningProgramAndUserFolders()
    {
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        const QString config = m_home->filePath(QStringLiteral("config"));
        QVERIFY(writeAll(config + QStringLiteral("/user-dirs.dirs"),
                         "XDG_DESKTOP_DIR=\"" + m_locations.desktopFolder.toUtf8() + "\"\n"));
        qputenv("XDG_DATA_HOME", m_locations.dataHome.toUtf8());
        qputenv("XDG_CONFIG_HOME", config.toUtf8());
        const XdgLocations current = XdgLocations::current();
        QCOMPARE(current.dataHome, m_locations.dataHome);
        QCOMPARE(current.desktopFolder, m_locations.desktopFolder);

        const std::unique_ptr<DesktopIntegration> desktop = DesktopIntegration::create();
        const IntegrationResult result = desktop->RegisterAssociation();
        QVERIFY2(result.ok, qPrintable(result.errorText));
        QVERIFY(desktop->IsAssociationRegistered());
        QVERIFY(
            readAll(m_locations.dataHome + QStringLiteral("/applications/kvizor3-kvf.desktop"))
                .contains("\nExec=" +
                          xdg::EscapeString(xdg::QuoteExecArgument(QCoreApplication::applicationFilePath()))
                              .toUtf8() +
                          " %f\n"));
        QVERIFY(desktop->createDesktopShortcut().ok);
        QVERIFY(QFile::exists(m_locations.desktopFolder + QStringLiteral("/KvizorStudent.desktop")));
        qputenv("XDG_DATA_HOME", oldData);
        qputenv("XDG_CONFIG_HOME", oldConfig);
    }
};

int runDesktopIntegrationTests(int argc, char** argv)
{
    TestDesktopIntegration test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestDesktopIntegration.moc"
