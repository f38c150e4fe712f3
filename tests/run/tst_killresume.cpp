// A real program process killed with SIGKILL right after each kind of journal event of a
// scripted run, then started again to resume it: the one record it leaves, in the protected
// file and the result log, is the uninterrupted run's (times aside), and RESULT goes once.

#include "ExamineeScript.h"

#include "model/TestFileWriter.h"
#include "results/ProtectedResultFile.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace kvizor;
using namespace kvizor::testing;

namespace {

struct DriverRun
{
    QProcess::ExitStatus status = QProcess::NormalExit;
    int code = -1;
    QByteArray errors;
};

DriverRun drive(const QString& folder, const QString& test, const QStringList& how)
{
    QProcess process;
    process.start(QStringLiteral(KVIZOR_KILL_DRIVER), QStringList{folder, test} + how);
    DriverRun run;
    if (!process.waitForFinished(30000))
        process.kill();
    run.status = process.exitStatus();
    run.code = process.exitCode();
    run.errors = process.readAllStandardError();
    return run;
}

QString readLog(const QString& folder)
{
    QFile file(QDir(folder).filePath(QStringLiteral("KvizorStudent_Result.txt")));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

QStringList networkLines(const QString& folder)
{
    QFile file(QDir(folder).filePath(QStringLiteral("network.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QList<TResultTest> stored(const QString& folder)
{
    const QString path = QDir(folder).filePath(kDefaultProtectionResultFileName);
    return QFile::exists(path) ? LoadProtectedResults(path) : QList<TResultTest>();
}

} // namespace

class TestKillResume : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        Fixture f = examineeTest();
        m_test = m_dir.filePath(QStringLiteral("Прерываемый.kvf"));
        WriteTestFileToPath(m_test, f.t(), f.tasks);
        const QString folder = m_dir.filePath(QStringLiteral("whole"));
        QVERIFY(QDir().mkpath(folder));
        const DriverRun whole = drive(folder, m_test, {QStringLiteral("none"), QStringLiteral("0")});
        QVERIFY2(whole.status == QProcess::NormalExit && whole.code == 0, whole.errors.constData());
        QCOMPARE(stored(folder).size(), 1);
        m_whole = stored(folder).first();
    }

    void killedAndResumed_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("count");
        QTest::newRow("begun") << "Begin" << 1;
        QTest::newRow("first task shown") << "TaskShown" << 1;
        QTest::newRow("clock ticked") << "Clocks" << 1;
        QTest::newRow("first task evaluated") << "TaskEvaluated" << 1;
        QTest::newRow("network lost") << "NetworkChanged" << 1;
        QTest::newRow("hint used") << "HintUsed" << 1;
        QTest::newRow("skipped to the last task") << "TaskShown" << 4;
        QTest::newRow("skipped task shown again") << "TaskShown" << 5;
        QTest::newRow("last task evaluated") << "TaskEvaluated" << 4;
        QTest::newRow("ended") << "End" << 1;
        QTest::newRow("log written") << "OutputDone:ResultLog" << 1;
        QTest::newRow("protected file written") << "OutputDone:ProtectedResult" << 1;
        QTest::newRow("RESULT sent") << "OutputDone:ServerResult" << 1;
    }
    void killedAndResumed()
    {
        QFETCH(QString, event);
        QFETCH(int, count);
        QTemporaryDir dir;
        const DriverRun killed = drive(dir.path(), m_test, {event, QString::number(count)});
        QCOMPARE(killed.status, QProcess::CrashExit);
        QVERIFY(!QDir(dir.filePath(QStringLiteral("journal"))).isEmpty(QDir::Files));

        const DriverRun resumed = drive(dir.path(), m_test, {QStringLiteral("resume")});
        QVERIFY2(resumed.status == QProcess::NormalExit && resumed.code == 0, resumed.errors.constData());

        const QList<TResultTest> records = stored(dir.path());
        QCOMPARE(records.size(), 1);
        QVERIFY(withoutTimes(records.first()).SameStoredFields(withoutTimes(m_whole)));
        QCOMPARE(
            readLog(dir.path()).count(QStringLiteral("------------------------------------------------\r\n")),
            2); // one record: its first and last line
        const QStringList reports = networkLines(dir.path());
        QCOMPARE(reports.filter(QStringLiteral("INFOBEGIN")).size(), 1);
        QCOMPARE(reports.filter(QStringLiteral("RESULT")).size(), 1);
        const QString guid = reports.first().section(QLatin1Char(' '), 1);
        for (const QString& line : reports)
            QCOMPARE(line.section(QLatin1Char(' '), 1), guid);
        QVERIFY(QDir(dir.filePath(QStringLiteral("journal"))).isEmpty(QDir::Files | QDir::Hidden));
    }

private:
    QTemporaryDir m_dir;
    QString m_test;
    TResultTest m_whole;
};

KVIZOR_TEST_GUILESS_MAIN(TestKillResume)
#include "tst_killresume.moc"
