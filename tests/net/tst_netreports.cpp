#include "AwaitExchange.h"
#include "FakeTestServer.h"
#include "RunFakes.h"
#include "support/TestEnvironment.h"

#include "config/Config.h"
#include "model/Crc32.h"
#include "model/TestFileWriter.h"
#include "model/TestLoader.h"
#include "net/NetMessages.h"
#include "net/NetPolicy.h"
#include "net/NetTestFetcher.h"
#include "net/ServerRunNetwork.h"
#include "results/ResultTest.h"
#include "run/RunController.h"

#include <QTest>

using namespace kvizor;
using namespace kvizor::testing;

namespace {

// A finished run of one task worth 2 points, answered right.
TResultTest oneTaskRun()
{
    TResultTest run(1);
    run.UserName = QStringLiteral("Ан");
    run.ComputerName = QStringLiteral("PC");
    run.StartTime = 1.0;
    run.EndTime = 2.0;
    run.ElapsedSeconds = 5;
    run.TestDate = 2.0;
    run.TestTitle = QStringLiteral("T");
    run.TestFileName = QStringLiteral("t.kvf");
    run.TestFileCRC = 0x01020304;
    run.SetTaskResult(0, 2);
    run.SetTaskSeconds(0, 5);
    run.SetTaskAnswer(0, QStringLiteral("1"));
    run.EndReason = erFinished;
    run.MarkValue = 5;
    run.TaskCount = 1;
    run.AskedCount = 1;
    run.RightCount = 1;
    run.MaxPoints = 2;
    run.AskedMaxPoints = 2;
    run.Points = 2.0;
    return run;
}

// The stored layout of oneTaskRun(), written out by hand.
QByteArray oneTaskRecord()
{
    return QByteArray::fromHex("02000000 C0ED"        // UserName
                               "00000000"             // UserGroup
                               "02000000 5043"        // ComputerName
                               "00000000"             // ComputerUserName
                               "00000000"             // Reserved1
                               "000000000000F03F"     // StartTime
                               "0000000000000040"     // EndTime
                               "05000000"             // ElapsedSeconds
                               "0000000000000040"     // TestDate
                               "01000000 54"          // TestTitle
                               "05000000 742E6B7666"  // TestFileName
                               "04030201"             // TestFileCRC
                               "00000000"             // TestUId
                               "01000000 02000000"    // TaskResults
                               "01000000 05000000"    // TaskSeconds
                               "01000000 01000000 31" // TaskAnswers
                               "01000000 FFFFFFFF"    // TaskPenalties
                               "01"                   // EndReason
                               "05000000"             // MarkValue
                               "00000000"             // MarkName
                               "00000000"             // MarkCount
                               "01000000"             // TaskCount
                               "01000000"             // AskedCount
                               "01000000"             // RightCount
                               "00000000"             // WrongCount
                               "00000000"             // SkipCount
                               "00000000"             // PromptCount
                               "02000000"             // MaxPoints
                               "0000000000000040"     // Points
                               "00000000");           // Reserved2
}

QByteArray lstr(const QString& guid)
{
    return QByteArray::fromHex("26000000") + guid.toLatin1();
}

// One report of the run network, run to its end; whether it got through.
template <typename Send>
bool report(Send send)
{
    std::optional<bool> ok;
    send([&ok](bool got) { ok = got; });
    return QTest::qWaitFor([&] { return ok.has_value(); }, 10000) && *ok;
}

// GETTEST whose received test goes through the loader; whether the exchange succeeded.
bool fetchAndLoad(const FakeTestServer& server, TLoadResult& loaded, int* calls = nullptr)
{
    ServerClient client;
    AwaitedTest done;
    client.getTest(
        {QStringLiteral("127.0.0.1"), server.port()}, QStringLiteral("PC"),
        [&](const QString& name, QIODevice& block) {
            if (calls != nullptr)
                ++*calls;
            loaded = LoadTestDevice(name, block, [] { return std::optional<QString>(); });
        },
        done.completion());
    return done.wait() && done.result->status == ExchangeStatus::Ok;
}

// A run controller wired to the test server through the real client, with a test of
// number tasks worth 2 points each, answered right ("5").
struct RunBench
{
    TConfig config;
    ScriptView view;
    ScriptPrompts prompts;
    ScriptOutputs outputs;
    ServerClient client;
    ServerRunNetwork network;
    TRunController controller;
    int taskCount;

    RunBench(const FakeTestServer& server, int tasks)
        : network(client, [this] { return netSettingsOf(config); }),
          controller(config, view, prompts, outputs, network, environment()), taskCount(tasks)
    {
        config.IsSendResult = true;
        config.RemoteHost = QStringLiteral("127.0.0.1");
        config.RemotePort = server.port();
        config.IsSaveProtectionResult = false;
        view.answer.Text = QStringLiteral("5");
    }

    static RunEnvironment environment()
    {
        RunEnvironment env = RunEnvironment::System();
        env.RealTimers = false;
        env.ComputerName = QStringLiteral("PC");
        env.ComputerUserName = QStringLiteral("user");
        return env;
    }

    std::unique_ptr<TTest> makeTest(bool allowNetReport) const
    {
        auto test = std::make_unique<TTest>();
        test->Title = QStringLiteral("Сеть");
        test->FileName = QStringLiteral("net.kvf");
        test->AllowNetReport = allowNetReport;
        return test;
    }

    // Processes events until the step under way has ended.
    bool settle() const
    {
        return QTest::qWaitFor([this] { return !controller.StepUnderWay(); }, 10000);
    }
    // Answers the task on screen and waits for its report.
    bool answer()
    {
        controller.ACheckAskTaskExecute();
        return settle();
    }

    TTaskList makeTasks() const
    {
        TTaskList tasks;
        for (int i = 0; i < taskCount; ++i) {
            auto task = std::make_unique<TTask>(ttNumber);
            task->Weight = 2;
            task->NumberValue = 5;
            tasks.push_back(std::move(task));
        }
        return tasks;
    }
};

} // namespace

class TestNetReports : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resultRecordLayout()
    {
        QCOMPARE(buildResultRecord(oneTaskRun()), oneTaskRecord());
        QCOMPARE(buildResultRecord(TResultTest(0)).size(), 133);
    }

    void reportsOfARun()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        ServerClient client;
        TConfig config;
        config.RemoteHost = QStringLiteral("127.0.0.1");
        config.RemotePort = server.port();
        ServerRunNetwork network(client, [&] { return netSettingsOf(config); });
        const QString guid = QStringLiteral("{89ABCDEF-0123-4567-89AB-CDEF01234567}");

        const TResultTest run = oneTaskRun();
        QVERIFY(report([&](const IRunNetwork::Done& done) { network.SendInfoBegin(guid, run, done); }));
        QVERIFY(report([&](const IRunNetwork::Done& done) { network.SendInfoProcess(guid, run, done); }));
        QVERIFY(report([&](const IRunNetwork::Done& done) { network.SendResult(guid, run, done); }));
        QVERIFY(server.waitForClosed(3));

        const QByteArray begin =
            lstr(guid) + QByteArray::fromHex("02000000 C0ED 00000000 02000000 5043 00000000"
                                             "01000000 54 05000000 742E6B7666 04030201"
                                             "00000000 01000000 02000000");
        QCOMPARE(server.received(0),
                 "INFOBEGIN\r\n" + QByteArray::number(begin.size()) + "\r\n" + begin + "QUIT\r\n");
        // The first task, worth 2 points, answered right without a hint.
        const QByteArray progress = lstr(guid) + QByteArray::fromHex("01000000 01000000 00000000 00000000"
                                                                     "0000000000000040 02000000");
        QCOMPARE(server.received(1), "INFOPROCESS\r\n70\r\n" + progress + "QUIT\r\n");
        QCOMPARE(server.received(2), "RESULT\r\n" + guid.toLatin1() + "\r\n" +
                                         QByteArray::number(oneTaskRecord().size()) + "\r\n" +
                                         oneTaskRecord() + "QUIT\r\n");

        // The address is read anew for every exchange.
        config.RemotePort = 0;
        QVERIFY(!report([&](const IRunNetwork::Done& done) { network.SendResult(guid, run, done); }));
        QCOMPARE(network.lastResult().status, ExchangeStatus::Failed);
    }

    void receivedTestGoesToTheLoader()
    {
        TTest test;
        test.Title = QStringLiteral("Сетевой тест");
        TTaskList tasks;
        tasks.push_back(std::make_unique<TTask>(1));
        const QByteArray file = WriteTestFileData(test, tasks);

        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply(FakeTestServer::testReply("\xF1\xE5\xF2\xFC.kvf", file));
        TLoadResult loaded;
        QVERIFY(fetchAndLoad(server, loaded));
        QVERIFY2(loaded.loaded(), qPrintable(loaded.Detail));
        QCOMPARE(loaded.Test->Title, QStringLiteral("Сетевой тест"));
        QCOMPARE(loaded.Test->FileName, QStringLiteral("сеть.kvf"));
        QCOMPARE(loaded.Test->FileCRC, BufferCRC32(file));
    }

    void loaderOfAnEmptyBlockOrName_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("reported");
        QTest::newRow("size 0") << QByteArray("YES\r\nt.kvf\r\n0\r\n") << true;
        QTest::newRow("empty name") << QByteArray("YES\r\n\r\n3\r\nabc") << false;
    }
    void loaderOfAnEmptyBlockOrName()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, reported);
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply(reply);
        int calls = 0;
        TLoadResult loaded;
        QVERIFY(fetchAndLoad(server, loaded, &calls));
        QCOMPARE(calls, 1);
        QVERIFY(!loaded.loaded());
        QCOMPARE(loaded.message().isEmpty(), !reported);
    }

    // --- whole runs through the run controller --------------------------------

    void runSendsBeginProgressAndResult()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        RunBench bench(server, 3);
        QVERIFY(bench.controller.TestLoaded(bench.makeTest(true), bench.makeTasks()));

        bench.controller.BeginTest();
        QVERIFY(bench.settle());
        QCOMPARE(bench.controller.RunState(), rsTesting);
        const QString firstGuid = bench.controller.RunGUID();
        QCOMPARE(firstGuid.size(), 38);
        for (int i = 0; i < 3; ++i)
            QVERIFY(bench.answer());
        QCOMPARE(bench.controller.RunState(), rsTestLoaded);
        QVERIFY(server.waitForClosed(5));
        QCOMPARE(server.connectionCount(), 5);
        QCOMPARE(bench.prompts.count(nettext::noConnection()), 0);

        const QByteArray g = lstr(firstGuid);
        QVERIFY(server.received(0).startsWith("INFOBEGIN\r\n"));
        QVERIFY(server.received(0).contains(g));
        for (int i = 1; i <= 3; ++i) {
            const QByteArray progress = server.received(i);
            QVERIFY(progress.startsWith("INFOPROCESS\r\n70\r\n"));
            QCOMPARE(progress.mid(17, 42), g);
            QVERIFY(progress.endsWith("QUIT\r\n"));
        }
        // The first task, worth 2 points, answered right without a hint.
        QCOMPARE(server.received(1).mid(17),
                 g + QByteArray::fromHex("01000000 01000000 00000000 00000000 0000000000000040 02000000") +
                     "QUIT\r\n");
        // After three right answers: 3 asked, 3 right, 6 of 6 points.
        QCOMPARE(server.received(3).mid(17 + 42, 28),
                 QByteArray::fromHex("03000000 03000000 00000000 00000000 0000000000001840 06000000"));
        QVERIFY(server.received(4).startsWith("RESULT\r\n" + firstGuid.toLatin1() + "\r\n"));

        // The next run has a GUID of its own.
        bench.controller.BeginTest();
        QVERIFY(bench.settle());
        QVERIFY(bench.controller.RunGUID() != firstGuid);
        QVERIFY(server.waitForClosed(6));
        QVERIFY(server.received(5).contains(lstr(bench.controller.RunGUID())));
    }

    void failedInfoBeginStopsProgressNotResult()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        RunBench bench(server, 2);
        QVERIFY(bench.controller.TestLoaded(bench.makeTest(true), bench.makeTasks()));

        server.setRefusing(true);
        bench.controller.BeginTest();
        QVERIFY(bench.settle());
        QVERIFY(!bench.controller.NetworkOK());
        QCOMPARE(bench.prompts.messages.size(), 1);
        QCOMPARE(bench.prompts.messages[0].caption, QStringLiteral("Ошибка!"));
        QCOMPARE(bench.prompts.messages[0].text, QStringLiteral("Нет связи с сервером!"));
        QCOMPARE(bench.prompts.messages[0].icon, MessageIcon::Error);

        server.setRefusing(false);
        QVERIFY(bench.answer());
        QVERIFY(bench.answer());
        QCOMPARE(bench.controller.RunState(), rsTestLoaded);
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.connectionCount(), 1);
        QVERIFY(server.received(0).startsWith("RESULT\r\n" + bench.controller.RunGUID().toLatin1() + "\r\n"));
        QCOMPARE(bench.prompts.count(nettext::noConnection()), 1);
    }

    void noReportsWithoutPermission_data()
    {
        QTest::addColumn<bool>("isSendResult");
        QTest::addColumn<bool>("allowNetReport");
        QTest::newRow("exchange switched off") << false << true;
        QTest::newRow("test forbids reports") << true << false;
    }
    void noReportsWithoutPermission()
    {
        QFETCH(bool, isSendResult);
        QFETCH(bool, allowNetReport);
        FakeTestServer server;
        QVERIFY(server.start());
        RunBench bench(server, 2);
        bench.config.IsSendResult = isSendResult;
        QVERIFY(bench.controller.TestLoaded(bench.makeTest(allowNetReport), bench.makeTasks()));
        bench.controller.BeginTest();
        bench.controller.ACheckAskTaskExecute();
        bench.controller.ACheckAskTaskExecute();
        QCOMPARE(bench.controller.RunState(), rsTestLoaded);
        QTest::qWait(50);
        QCOMPARE(server.connectionCount(), 0);
        QCOMPARE(bench.prompts.count(nettext::noConnection()), 0);
    }

    // --- fetching a test -----------------------------------------------------

    void getTestPolicy()
    {
        NetSettings settings;
        QVERIFY(!netpolicy::isGetTestEnabled(settings, true));
        settings.IsAutoGetTestFromStart = true;
        QVERIFY(!netpolicy::shouldGetTestAtStart(settings, false));
        settings.IsSendResult = true;
        QVERIFY(netpolicy::isGetTestEnabled(settings, true));
        QVERIFY(!netpolicy::isGetTestEnabled(settings, false));
        QVERIFY(netpolicy::shouldGetTestAtStart(settings, false));
        QVERIFY(!netpolicy::shouldGetTestAtStart(settings, true));
        settings.IsAutoGetTestFromStart = false;
        QVERIFY(!netpolicy::shouldGetTestAtStart(settings, false));
    }

    void fetcherOutcomes()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply(FakeTestServer::testReply("t.kvf", "x"));
        ServerClient client;
        NetSettings settings;
        settings.RemotePort = server.port();
        QList<NetNotice> notices;
        NetTestFetcher fetcher(
            client, [&] { return settings; },
            [&](const NetNotice& n) {
                // Shown only once the connection is closed.
                QVERIFY(!client.isBusy());
                notices.append(n);
            });
        fetcher.setComputerNameSource([] { return QStringLiteral("ROOM1"); });
        int loads = 0;
        const auto load = [&](const QString&, QIODevice&) { ++loads; };
        const auto fetch = [&] {
            std::optional<FetchOutcome> outcome;
            if (fetcher.getTest(load, [&](FetchOutcome o) { outcome = o; }) != FetchOutcome::Started)
                return FetchOutcome::Skipped;
            return QTest::qWaitFor([&] { return outcome.has_value(); }, 10000) ? *outcome
                                                                               : FetchOutcome::Started;
        };

        // Switched off: no connection, nothing shown.
        QCOMPARE(fetch(), FetchOutcome::Skipped);
        QTest::qWait(50);
        QCOMPARE(server.connectionCount(), 0);

        settings.IsSendResult = true;
        QCOMPARE(fetch(), FetchOutcome::Received);
        QCOMPARE(loads, 1);
        QVERIFY(notices.isEmpty());
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0), QByteArray("GETTEST\r\nROOM1\r\nQUIT\r\n"));

        server.setReply("NO\r\n");
        QCOMPARE(fetch(), FetchOutcome::Refused);
        QCOMPARE(notices.size(), 1);
        QCOMPARE(notices[0].kind, NetNotice::Kind::TestRefused);
        QCOMPARE(notices[0].text, QStringLiteral("Отказано в получении теста"));

        server.setRefusing(true);
        QCOMPARE(fetch(), FetchOutcome::Failed);
        QCOMPARE(notices.size(), 2);
        QCOMPARE(notices[1].kind, NetNotice::Kind::NoConnection);
        QCOMPARE(notices[1].caption, QStringLiteral("Ошибка!"));
        QCOMPARE(notices[1].text, QStringLiteral("Нет связи с сервером!"));
        QCOMPARE(loads, 1);
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestNetReports)
#include "tst_netreports.moc"
