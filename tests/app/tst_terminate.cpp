// The program told to end (SIGTERM, SIGINT) during a run: it ends within a few seconds,
// shows no dialog, and leaves one record of a run closed with the program, the log's close
// line and no journal.

#include "common/Cp1251.h"
#include "model/TestFileWriter.h"
#include "results/ProtectedResultFile.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace kvizor;

class TestTerminate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void endsTheRunWithoutADialog_data()
    {
        QTest::addColumn<QString>("wait");
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM in the stop question") << "question" << SIGTERM;
        QTest::newRow("SIGTERM between commands") << "idle" << SIGTERM;
        QTest::newRow("SIGINT between commands") << "idle" << SIGINT;
    }
    void endsTheRunWithoutADialog()
    {
        QFETCH(QString, wait);
        QFETCH(int, signal);
        QTemporaryDir dir;
        TTest test;
        test.Title = QStringLiteral("Тест до выхода");
        TTaskList tasks;
        for (int k = 0; k < 2; ++k) {
            tasks.push_back(std::make_unique<TTask>(ttNumber));
            tasks.back()->Question = QStringLiteral("Сколько?");
        }
        const QString path = dir.filePath(QStringLiteral("exit.kvf"));
        WriteTestFileToPath(path, test, tasks);

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KVIZOR_DRIVER_FOLDER"), dir.path());
        environment.insert(QStringLiteral("KVIZOR_DRIVER_WAIT"), wait);
        // A program folder of its own; the single-instance channel too.
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(KVIZOR_TERMINATE_DRIVER), {path});
        QVERIFY(program.waitForStarted());
        QByteArray output; // the macro reads its condition more than once
        QTRY_VERIFY_WITH_TIMEOUT((output += program.readAllStandardOutput()).contains("READY") ||
                                     program.state() == QProcess::NotRunning,
                                 15000);
        QCOMPARE(program.state(), QProcess::Running);

        QElapsedTimer clock;
        clock.start();
        ::kill(static_cast<pid_t>(program.processId()), signal);
        QVERIFY(program.waitForFinished(10000));
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        const QStringList prompts = QString::fromUtf8(program.readAllStandardError())
                                        .split(QLatin1Char('\n'))
                                        .filter(QStringLiteral("PROMPT "));
        const QStringList asked = wait == QLatin1String("question")
                                      ? QStringList{QStringLiteral("PROMPT Вы желаете остановить тест?")}
                                      : QStringList{};
        QCOMPARE(prompts, asked);

        QFile logFile(dir.filePath(QStringLiteral("KvizorStudent_Result.txt")));
        QVERIFY(logFile.open(QIODevice::ReadOnly));
        const QString log = cp1251::decode(logFile.readAll());
        QCOMPARE(log.count(QStringLiteral("Тест прерван - закрыта программа...")), 1);
        QCOMPARE(log.count(QStringLiteral("Закрыта программа KvizorStudent.")), 1);
        const QList<TResultTest> stored =
            LoadProtectedResults(dir.filePath(QStringLiteral("KvizorStudent_ProtectionResult.kvpr")));
        QCOMPARE(stored.size(), 1);
        QCOMPARE(int(stored.first().EndReason), int(erProgramClosed));
        QCOMPARE(stored.first().SkipCount, 1);
        QVERIFY(QDir(dir.filePath(QStringLiteral("journal"))).isEmpty(QDir::Files | QDir::Hidden));
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestTerminate)
#include "tst_terminate.moc"
