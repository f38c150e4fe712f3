#include "tst_instances.h"

#include "Fixtures.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTest>

#include <csignal>

namespace {

QString logPath(const QTemporaryDir& dir)
{
    return dir.filePath(QStringLiteral("KvizorStudent_Result.txt"));
}

// Waits until the log holds at least count lines.
bool waitForLogLines(const QTemporaryDir& dir, int count)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 20000) {
        if (readCp1251File(logPath(dir)).count(QStringLiteral("\r\n")) >= count)
            return true;
        QTest::qWait(50);
    }
    return false;
}

void startProgram(QProcess& process, const QString& program, const QStringList& arguments)
{
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
}

void terminate(QProcess& process)
{
    if (process.state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        if (!process.waitForFinished(20000))
            process.kill();
    }
}

} // namespace

void TestInstances::initTestCase()
{
    // A copy of the program in a folder of its own, which is then its program folder
    // (settings file and result log), away from the build tree.
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_program = m_dir->filePath(QStringLiteral("KvizorStudent"));
    QVERIFY(QFile::copy(QStringLiteral(KVIZOR_STUDENT_EXE), m_program));
    QVERIFY(QFile::setPermissions(m_program, QFile::permissions(m_program) | QFile::ExeOwner));
}

void TestInstances::secondLaunchHandsOver()
{
    QSettings().clear();
    const QString upper =
        writeTestFile(m_dir->filePath(QStringLiteral("second.KVF")), {}, QStringLiteral("second"));
    const QString lower =
        writeTestFile(m_dir->filePath(QStringLiteral("third.kvf")), {}, QStringLiteral("third"));
    const QString text = writeTestFile(m_dir->filePath(QStringLiteral("other.txt")));

    QProcess first;
    startProgram(first, m_program, {});
    QVERIFY(first.waitForStarted());
    QVERIFY(waitForLogLines(*m_dir, 1));

    // Later launches end at once without a window of their own.
    for (const QStringList& arguments :
         {QStringList{text}, QStringList{}, QStringList{upper}, QStringList{lower}}) {
        QProcess second;
        startProgram(second, m_program, arguments);
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
    }
    // Only one start line: no second window was created.
    QCOMPARE(readCp1251File(logPath(*m_dir)).count(QStringLiteral("Запущена программа")), 1);

    // The first instance closes normally on SIGTERM and stores its recent files: only the
    // first acceptable hand-off was opened.
    QTest::qWait(500);
    terminate(first);
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    const QString log = readCp1251File(logPath(*m_dir));
    QVERIFY(log.contains(QStringLiteral("Закрыта программа KvizorStudent.\r\n")));
    QSettings store;
    store.sync();
    QCOMPARE(store.value(QStringLiteral("PreviousFiles/1")).toString(), upper);
    QVERIFY(!store.contains(QStringLiteral("PreviousFiles/2")));
}

void TestInstances::simultaneousLaunches()
{
    QFile::remove(logPath(*m_dir));
    QProcess a;
    QProcess b;
    startProgram(a, m_program, {});
    startProgram(b, m_program, {});
    QVERIFY(a.waitForStarted());
    QVERIFY(b.waitForStarted());
    QVERIFY(waitForLogLines(*m_dir, 1));
    // One of the two becomes the program, the other hands over and ends.
    QElapsedTimer timer;
    timer.start();
    while (a.state() == QProcess::Running && b.state() == QProcess::Running && timer.elapsed() < 20000)
        QTest::qWait(50);
    QVERIFY((a.state() == QProcess::Running) != (b.state() == QProcess::Running));
    QProcess& ended = a.state() == QProcess::Running ? b : a;
    QCOMPARE(ended.exitCode(), 0);
    QTest::qWait(300);
    QCOMPARE(readCp1251File(logPath(*m_dir)).count(QStringLiteral("Запущена программа")), 1);
    terminate(a);
    terminate(b);
}
