#include "FakeTestServer.h"

#include "config/Config.h"
#include "model/Crc32.h"
#include "model/TestFileWriter.h"
#include "model/TestLoader.h"
#include "net/NetMessages.h"
#include "net/NetPolicy.h"
#include "net/NetReporter.h"
#include "results/ResultTest.h"

#include <QTest>

using namespace kvizor;
using kvizor::testing::FakeTestServer;

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
        config.IsSendResult = true;
        config.RemoteHost = QStringLiteral("127.0.0.1");
        config.RemotePort = server.port();
        NetReporter reporter(client, [&] { return netSettingsOf(config); });
        const QString guid = reporter.beginRun();

        TResultTest run = oneTaskRun();
        QCOMPARE(reporter.sendInfoBegin(true, run), NetOutcome::Done);
        QCOMPARE(reporter.sendInfoProcess(true, run), NetOutcome::Done);
        QCOMPARE(reporter.sendResult(true, run), NetOutcome::Done);
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
        ServerClient client;
        TLoadResult loaded;
        const GetTestResult result =
            client.getTest({QStringLiteral("127.0.0.1"), server.port()}, QStringLiteral("PC"),
                           [&](const QByteArray& bytes, const QString& name) {
                               loaded = LoadTestData(name, bytes, [] { return std::optional<QString>(); });
                           });
        QCOMPARE(result.status, ExchangeStatus::Ok);
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
        ServerClient client;
        TLoadResult loaded;
        int calls = 0;
        const GetTestResult result =
            client.getTest({QStringLiteral("127.0.0.1"), server.port()}, QStringLiteral("PC"),
                           [&](const QByteArray& bytes, const QString& name) {
                               ++calls;
                               loaded = LoadTestData(name, bytes, [] { return std::optional<QString>(); });
                           });
        QCOMPARE(result.status, ExchangeStatus::Ok);
        QCOMPARE(calls, 1);
        QVERIFY(!loaded.loaded());
        QCOMPARE(loaded.message().isEmpty(), !reported);
    }

    void policy_data()
    {
        QTest::addColumn<bool>("isSendResult");
        QTest::addColumn<bool>("allowNetReport");
        QTest::addColumn<bool>("networkOK");
        QTest::addColumn<bool>("begin");
        QTest::addColumn<bool>("process");
        QTest::addColumn<bool>("result");
        QTest::newRow("all set") << true << true << true << true << true << true;
        QTest::newRow("network failed") << true << true << false << true << false << true;
        QTest::newRow("test forbids reports") << true << false << true << false << false << false;
        QTest::newRow("exchange off") << false << true << true << false << false << false;
    }
    void policy()
    {
        QFETCH(bool, isSendResult);
        QFETCH(bool, allowNetReport);
        QFETCH(bool, networkOK);
        NetSettings settings;
        settings.IsSendResult = isSendResult;
        QTEST(netpolicy::shouldSendInfoBegin(settings, allowNetReport), "begin");
        QTEST(netpolicy::shouldSendInfoProcess(settings, allowNetReport, networkOK), "process");
        QTEST(netpolicy::shouldSendResult(settings, allowNetReport), "result");
    }

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

    void reporterRunSequence()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        ServerClient client;
        NetSettings settings;
        settings.IsSendResult = true;
        settings.RemotePort = server.port();
        QList<NetNotice> notices;
        NetReporter reporter(
            client, [&] { return settings; }, [&](const NetNotice& n) { notices.append(n); });

        const QString guid = reporter.beginRun();
        QCOMPARE(guid.size(), 38);
        QVERIFY(reporter.networkOK());
        QCOMPARE(reporter.sendInfoBegin(true, InfoBeginData{}), NetOutcome::Done);
        for (int i = 1; i <= 3; ++i) {
            InfoProcessData progress;
            progress.AskedCount = i;
            QCOMPARE(reporter.sendInfoProcess(true, progress), NetOutcome::Done);
        }
        QCOMPARE(reporter.sendResult(true, QByteArray("rec")), NetOutcome::Done);
        QVERIFY(server.waitForClosed(5));
        QVERIFY(notices.isEmpty());

        const QByteArray g = guid.toLatin1();
        QVERIFY(server.received(0).startsWith("INFOBEGIN\r\n"));
        QVERIFY(server.received(0).contains(g));
        for (int i = 1; i <= 3; ++i) {
            QVERIFY(server.received(i).startsWith("INFOPROCESS\r\n70\r\n"));
            QCOMPARE(server.received(i).mid(17, 42), QByteArray::fromHex("26000000") + g);
        }
        QCOMPARE(server.received(4), "RESULT\r\n" + g + "\r\n3\r\nrecQUIT\r\n");

        QVERIFY(reporter.beginRun() != guid);
    }

    void reporterFailedInfoBegin()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setRefusing(true);
        ServerClient client;
        NetSettings settings;
        settings.IsSendResult = true;
        settings.RemotePort = server.port();
        QList<NetNotice> notices;
        NetReporter reporter(
            client, [&] { return settings; }, [&](const NetNotice& n) { notices.append(n); });

        reporter.beginRun();
        QCOMPARE(reporter.sendInfoBegin(true, InfoBeginData{}), NetOutcome::Failed);
        QVERIFY(!reporter.networkOK());
        QCOMPARE(notices.size(), 1);
        QCOMPARE(notices[0].kind, NetNotice::Kind::NoConnection);
        QCOMPARE(notices[0].caption, QStringLiteral("Ошибка!"));
        QCOMPARE(notices[0].text, QStringLiteral("Нет связи с сервером!"));

        server.setRefusing(false);
        QCOMPARE(reporter.sendInfoProcess(true, InfoProcessData{}), NetOutcome::Skipped);
        QCOMPARE(reporter.sendResult(true, QByteArray("r")), NetOutcome::Done);
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.connectionCount(), 1);
        QVERIFY(server.received(0).startsWith("RESULT\r\n"));
        QCOMPARE(notices.size(), 1);

        // The next run reports progress again.
        reporter.beginRun();
        QVERIFY(reporter.networkOK());
    }

    void reporterFailedInfoProcessStopsLaterOnes()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        ServerClient client;
        NetSettings settings;
        settings.IsSendResult = true;
        settings.RemotePort = server.port();
        NetReporter reporter(client, [&] { return settings; });
        reporter.beginRun();
        QCOMPARE(reporter.sendInfoBegin(true, InfoBeginData{}), NetOutcome::Done);
        server.setRefusing(true);
        QCOMPARE(reporter.sendInfoProcess(true, InfoProcessData{}), NetOutcome::Failed);
        server.setRefusing(false);
        QCOMPARE(reporter.sendInfoProcess(true, InfoProcessData{}), NetOutcome::Skipped);
        QCOMPARE(reporter.sendResult(true, QByteArray()), NetOutcome::Done);
        QVERIFY(server.waitForClosed(2));
        QCOMPARE(server.connectionCount(), 2);
    }

    void reporterConditionsSendNothing()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply(FakeTestServer::testReply("t.kvf", "x"));
        ServerClient client;
        NetSettings settings;
        settings.RemotePort = server.port();
        QList<NetNotice> notices;
        NetReporter reporter(
            client, [&] { return settings; }, [&](const NetNotice& n) { notices.append(n); });
        bool loaded = false;
        const auto load = [&](const QByteArray&, const QString&) { loaded = true; };

        // The exchange switched off: no connection at all.
        reporter.beginRun();
        QCOMPARE(reporter.getTest(load), NetOutcome::Skipped);
        QCOMPARE(reporter.sendInfoBegin(true, InfoBeginData{}), NetOutcome::Skipped);
        QCOMPARE(reporter.sendInfoProcess(true, InfoProcessData{}), NetOutcome::Skipped);
        QCOMPARE(reporter.sendResult(true, QByteArray()), NetOutcome::Skipped);

        // A test that forbids reports: nothing about the run is sent.
        settings.IsSendResult = true;
        QCOMPARE(reporter.sendInfoBegin(false, InfoBeginData{}), NetOutcome::Skipped);
        QCOMPARE(reporter.sendInfoProcess(false, InfoProcessData{}), NetOutcome::Skipped);
        QCOMPARE(reporter.sendResult(false, QByteArray()), NetOutcome::Skipped);
        QTest::qWait(50);
        QCOMPARE(server.connectionCount(), 0);
        QVERIFY(notices.isEmpty());
        QVERIFY(!loaded);

        // Settings are read anew for every exchange.
        QCOMPARE(reporter.getTest(load), NetOutcome::Done);
        QVERIFY(loaded);
        QCOMPARE(server.connectionCount(), 1);
    }

    void reporterGetTestNotices()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply("NO\r\n");
        ServerClient client;
        NetSettings settings;
        settings.IsSendResult = true;
        settings.RemotePort = server.port();
        QList<NetNotice> notices;
        NetReporter reporter(
            client, [&] { return settings; },
            [&](const NetNotice& n) {
                // Shown only once the connection is closed.
                QVERIFY(!client.isBusy());
                notices.append(n);
            });
        reporter.setComputerNameSource([] { return QStringLiteral("ROOM1"); });
        QCOMPARE(reporter.getTest({}), NetOutcome::Refused);
        QCOMPARE(notices.size(), 1);
        QCOMPARE(notices[0].kind, NetNotice::Kind::TestRefused);
        QCOMPARE(notices[0].text, QStringLiteral("Отказано в получении теста"));
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0), QByteArray("GETTEST\r\nROOM1\r\nQUIT\r\n"));

        server.setRefusing(true);
        QCOMPARE(reporter.getTest({}), NetOutcome::Failed);
        QCOMPARE(notices.size(), 2);
        QCOMPARE(notices[1].kind, NetNotice::Kind::NoConnection);
    }

    void localComputerNameFitsTheRecord() { QVERIFY(NetReporter::localComputerName().size() <= 15); }
};

QTEST_GUILESS_MAIN(TestNetReports)
#include "tst_netreports.moc"
