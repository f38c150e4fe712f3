#include "PlatformTests.h"

#include "platform/DocumentOpener.h"
#include "platform/linux/LinuxCalculator.h"
#include "platform/SessionBus.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kvizor;

namespace {

bool writeFile(const QString& path, const QByteArray& content = "x", bool executable = false)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

} // namespace

// Stands in for the desktop's handlers of every scheme.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

class TestShellServices : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    UrlRecorder m_recorder;
    const QStringList m_schemes{QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("mailto"),
                                QStringLiteral("file"), QStringLiteral("ftp"),   QStringLiteral("javascript"),
                                QStringLiteral("data"), QStringLiteral("smb")};

private Q_SLOTS:
    void initTestCase()
    {
        for (const QString& scheme : m_schemes)
            QDesktopServices::setUrlHandler(scheme, &m_recorder, "open");
    }
    void cleanupTestCase()
    {
        for (const QString& scheme : m_schemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }
    void init() { m_recorder.opened.clear(); }

    // Without a session bus the bus is off while the window is built and the variable is
    // gone again afterwards; a session's own bus address is never touched.
    void noBusAutolaunch_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("during");
        QTest::newRow("no session bus") << QByteArray() << QByteArray("disabled:");
        QTest::newRow("session bus") << QByteArray("unix:path=/run/user/1/bus")
                                     << QByteArray("unix:path=/run/user/1/bus");
    }

    void noBusAutolaunch()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, during);
        const char* name = "DBUS_SESSION_BUS_ADDRESS";
        const QByteArray saved = qgetenv(name);
        const bool wasSet = qEnvironmentVariableIsSet(name);
        if (before.isNull())
            qunsetenv(name);
        else
            qputenv(name, before);
        {
            NoBusAutolaunch noBus;
            QCOMPARE(qgetenv(name), during);
            noBus.restore();
            QCOMPARE(qEnvironmentVariableIsSet(name), !before.isNull());
            QCOMPARE(qgetenv(name), before.isNull() ? QByteArray() : before);
        }
        QCOMPARE(qEnvironmentVariableIsSet(name), !before.isNull());
        {
            // Ending without restore() restores too.
            NoBusAutolaunch noBus;
        }
        QCOMPARE(qEnvironmentVariableIsSet(name), !before.isNull());
        if (wasSet)
            qputenv(name, saved);
        else
            qunsetenv(name);
    }

    void calculatorCandidatesInOrder()
    {
        QCOMPARE(LinuxCalculator::candidates(),
                 (QStringList{QStringLiteral("gnome-calculator"), QStringLiteral("kcalc"),
                              QStringLiteral("mate-calc"), QStringLiteral("galculator"),
                              QStringLiteral("qalculate-gtk"), QStringLiteral("xcalc")}));
    }

    void calculatorFoundByPreference()
    {
        const QString bin = m_dir.filePath(QStringLiteral("bin-pref"));
        QVERIFY(writeFile(bin + QStringLiteral("/xcalc"), "#!/bin/sh\n", true));
        QVERIFY(writeFile(bin + QStringLiteral("/mate-calc"), "#!/bin/sh\n", true));
        // Not executable, so not a program.
        QVERIFY(writeFile(bin + QStringLiteral("/kcalc"), "#!/bin/sh\n", false));
        QCOMPARE(LinuxCalculator({bin}).findProgram(), bin + QStringLiteral("/mate-calc"));
    }

    void calculatorStarts()
    {
        const QString bin = m_dir.filePath(QStringLiteral("bin-start"));
        const QString marker = m_dir.filePath(QStringLiteral("calculator-ran"));
        QVERIFY(writeFile(bin + QStringLiteral("/galculator"), "#!/bin/sh\ntouch '" + marker.toUtf8() + "'\n",
                          true));
        LinuxCalculator calculator({bin});
        QString error;
        QVERIFY2(calculator.start(&error), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
    }

    void missingCalculatorIsReported()
    {
        LinuxCalculator calculator({m_dir.filePath(QStringLiteral("empty-bin"))});
        QCOMPARE(calculator.findProgram(), QString());
        QString error;
        QVERIFY(!calculator.start(&error));
        QVERIFY(error.contains(QStringLiteral("gnome-calculator")));
    }

    void links_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("safe");
        QTest::newRow("http") << QStringLiteral("http://example.org/page?x=1") << true;
        QTest::newRow("https") << QStringLiteral("https://example.org/") << true;
        QTest::newRow("upper-case scheme") << QStringLiteral("HTTPS://example.org/") << true;
        QTest::newRow("mailto") << QStringLiteral("mailto:teacher@example.org") << true;
        QTest::newRow("empty mailto") << QStringLiteral("mailto:") << false;
        QTest::newRow("http without host") << QStringLiteral("http:///etc/passwd") << false;
        QTest::newRow("local file") << QStringLiteral("file:///etc/passwd") << false;
        QTest::newRow("ftp") << QStringLiteral("ftp://example.org/") << false;
        QTest::newRow("javascript") << QStringLiteral("javascript:alert(1)") << false;
        QTest::newRow("data") << QStringLiteral("data:text/html,<b>x</b>") << false;
        QTest::newRow("network share") << QStringLiteral("smb://server/share") << false;
        QTest::newRow("no scheme") << QStringLiteral("/usr/bin/xterm") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void links()
    {
        QFETCH(QString, link);
        QFETCH(bool, safe);
        const QUrl url(link);
        QCOMPARE(platform::IsSafeLink(url), safe);
        QCOMPARE(platform::OpenLink(url), safe);
        QCOMPARE(m_recorder.opened, safe ? QList<QUrl>{url} : QList<QUrl>{});
    }

    void localFiles()
    {
        const QString existing = m_dir.filePath(QStringLiteral("Справка/index.html"));
        QVERIFY(writeFile(existing));
        QVERIFY(platform::OpenLocalFile(existing));
        QCOMPARE(m_recorder.opened, QList<QUrl>{QUrl::fromLocalFile(existing)});

        m_recorder.opened.clear();
        QVERIFY(!platform::OpenLocalFile(m_dir.filePath(QStringLiteral("missing.chm"))));
        QVERIFY(!platform::OpenLocalFile(m_dir.path())); // a folder is not a document
        QVERIFY(!platform::OpenLocalFile(QString()));
        QVERIFY(m_recorder.opened.isEmpty());
    }

    void helpFile_data()
    {
        QTest::addColumn<QStringList>("files"); // relative to a fresh folder holding "prefix/bin"
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("path");
        const int none = int(platform::HelpFile::Kind::None), chm = int(platform::HelpFile::Kind::Chm),
                  html = int(platform::HelpFile::Kind::Html);
        QTest::newRow("nothing") << QStringList{} << none << QString();
        QTest::newRow("chm beside the program") << QStringList{QStringLiteral("prefix/bin/Help.chm"),
                                                               QStringLiteral("prefix/bin/help/index.html")}
                                                << chm << QStringLiteral("prefix/bin/Help.chm");
        QTest::newRow("chm name is exact")
            << QStringList{QStringLiteral("prefix/bin/help.chm")} << none << QString();
        QTest::newRow("html beside the program")
            << QStringList{QStringLiteral("prefix/bin/help/index.html"),
                           QStringLiteral("prefix/share/kvizorstudent/help/index.html")}
            << html << QStringLiteral("prefix/bin/help/index.html");
        QTest::newRow("installed html")
            << QStringList{QStringLiteral("prefix/share/kvizorstudent/help/index.html"),
                           QStringLiteral("data/kvizorstudent/help/index.html")}
            << html << QStringLiteral("prefix/share/kvizorstudent/help/index.html");
        QTest::newRow("html in a data folder")
            << QStringList{QStringLiteral("data/kvizorstudent/help/index.html")} << html
            << QStringLiteral("data/kvizorstudent/help/index.html");
    }
    void helpFile()
    {
        QFETCH(QStringList, files);
        QFETCH(int, kind);
        QFETCH(QString, path);
        QTemporaryDir root;
        for (const QString& file : files)
            QVERIFY(writeFile(root.filePath(file)));
        QDir().mkpath(root.filePath(QStringLiteral("prefix/bin")));
        const platform::HelpFile help = platform::ResolveHelpFile(
            root.filePath(QStringLiteral("prefix/bin")),
            {root.filePath(QStringLiteral("empty-data")), root.filePath(QStringLiteral("data"))});
        QCOMPARE(int(help.kind), kind);
        QCOMPARE(help.path, path.isEmpty() ? QString() : root.filePath(path));
    }
};

int runShellServicesTests(int argc, char** argv)
{
    TestShellServices test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestShellServices.moc"
