#include "FakeTestServer.h"
#include "support/TestEnvironment.h"

#include "common/FormatError.h"
#include "net/NetMessages.h"
#include "net/ServerClient.h"
#include "net/WireFormat.h"

#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace kvizor;
using kvizor::testing::FakeTestServer;

namespace {

const QString Guid = QStringLiteral("{01234567-89AB-CDEF-0123-456789ABCDEF}");

QByteArray lstrOfGuid()
{
    return QByteArray::fromHex("26000000") + Guid.toLatin1();
}

ServerAddress addressOf(const FakeTestServer& server)
{
    return {QStringLiteral("127.0.0.1"), server.port()};
}

// GETTEST from "PC" against a server that sends reply (and then closes, when asked);
// loaded says whether the receiver was given a test.
GetTestResult getTestReplying(FakeTestServer& server, const QByteArray& reply, bool serverCloses,
                              ServerClient& client, bool& loaded)
{
    server.setReply(reply);
    server.setCloseAfterReply(serverCloses);
    return client.getTest(addressOf(server), QStringLiteral("PC"),
                          [&loaded](const QByteArray&, const QString&) { loaded = true; });
}

// Feeds the bytes in pieces of the given size; collects lines until one throws.
QList<QByteArray> readLines(const QByteArray& bytes, qsizetype piece, bool* failed)
{
    wire::LineReader reader;
    QList<QByteArray> lines;
    *failed = false;
    try {
        for (qsizetype at = 0; at < bytes.size(); at += piece) {
            QByteArrayView view = QByteArrayView(bytes).sliced(at, std::min(piece, bytes.size() - at));
            while (!view.isEmpty()) {
                if (auto line = reader.feed(view))
                    lines.append(*line);
            }
        }
    } catch (const FormatError&) {
        *failed = true;
    }
    return lines;
}

} // namespace

class TestNet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // --- framing -------------------------------------------------------------

    void encodeLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("command") << QStringLiteral("GETTEST") << QByteArray("GETTEST\r\n");
        QTest::newRow("empty") << QString() << QByteArray("\r\n");
        QTest::newRow("cyrillic in 1251")
            << QStringLiteral("Класс") << QByteArray("\xCA\xEB\xE0\xF1\xF1\r\n");
        QTest::newRow("line breaks dropped") << QStringLiteral("a\r\nb\nc") << QByteArray("abc\r\n");
    }
    void encodeLine()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, line);
        QCOMPARE(wire::encodeLine(text), line);
    }

    void parseBlockSize_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<qint64>("size"); // -1: error
        QTest::newRow("zero") << QByteArray("0") << qint64(0);
        QTest::newRow("plain") << QByteArray("1234") << qint64(1234);
        QTest::newRow("leading zeros") << QByteArray("007") << qint64(7);
        QTest::newRow("plus sign") << QByteArray("+5") << qint64(5);
        QTest::newRow("blanks around") << QByteArray(" 12\t") << qint64(12);
        QTest::newRow("1 GiB") << QByteArray("1073741824") << qint64(1073741824);
        QTest::newRow("over 1 GiB") << QByteArray("1073741825") << qint64(-1);
        QTest::newRow("huge") << QByteArray("99999999999999999999999999") << qint64(-1);
        QTest::newRow("negative") << QByteArray("-1") << qint64(-1);
        QTest::newRow("minus zero") << QByteArray("-0") << qint64(-1);
        QTest::newRow("empty") << QByteArray("") << qint64(-1);
        QTest::newRow("sign only") << QByteArray("+") << qint64(-1);
        QTest::newRow("word") << QByteArray("abc") << qint64(-1);
        QTest::newRow("hex") << QByteArray("0x10") << qint64(-1);
        QTest::newRow("inner blank") << QByteArray("1 2") << qint64(-1);
        QTest::newRow("fraction") << QByteArray("1.5") << qint64(-1);
    }
    void parseBlockSize()
    {
        QFETCH(QByteArray, line);
        QFETCH(qint64, size);
        if (size < 0) {
            QVERIFY_THROWS_EXCEPTION(FormatError, wire::parseBlockSize(line));
        } else {
            QCOMPARE(wire::parseBlockSize(line), size);
        }
    }

    void lineReader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<bool>("fails");
        const QByteArray max(wire::MaxLineLength, 'x');
        QTest::newRow("CR LF") << QByteArray("abc\r\ndef\r\n") << QList<QByteArray>{"abc", "def"} << false;
        QTest::newRow("bare LF") << QByteArray("abc\n") << QList<QByteArray>{"abc"} << false;
        QTest::newRow("one CR dropped") << QByteArray("abc\r\r\n") << QList<QByteArray>{"abc\r"} << false;
        QTest::newRow("inner CR kept") << QByteArray("a\rb\n") << QList<QByteArray>{"a\rb"} << false;
        QTest::newRow("empty line") << QByteArray("\r\n") << QList<QByteArray>{""} << false;
        QTest::newRow("unfinished") << QByteArray("abc") << QList<QByteArray>{} << false;
        QTest::newRow("longest with CR") << max + "\r\n" << QList<QByteArray>{max} << false;
        QTest::newRow("longest with LF") << max + "\n" << QList<QByteArray>{max} << false;
        QTest::newRow("longest, CR waiting") << max + "\r" << QList<QByteArray>{} << false;
        QTest::newRow("one byte too long") << max + "y\n" << QList<QByteArray>{} << true;
        QTest::newRow("too long, no LF yet") << max + "y" << QList<QByteArray>{} << true;
        QTest::newRow("20000 bytes after a good line")
            << "ok\r\n" + QByteArray(20000, 'z') << QList<QByteArray>{"ok"} << true;
    }
    void lineReader()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<QByteArray>, lines);
        QFETCH(bool, fails);
        for (const qsizetype piece : {qsizetype(1), qsizetype(7), bytes.size() + 1}) {
            bool failed = false;
            QCOMPARE(readLines(bytes, std::max<qsizetype>(piece, 1), &failed), lines);
            QCOMPARE(failed, fails);
        }
    }

    void replyReaderInPieces()
    {
        const QByteArray reply = FakeTestServer::testReply("\xD2\xE5\xF1\xF2.kvf", "0123456789") + "QUIT?";
        for (qsizetype piece = 1; piece <= reply.size(); ++piece) {
            wire::GetTestReplyReader reader;
            qsizetype taken = 0;
            for (qsizetype at = 0; at < reply.size(); at += piece)
                taken += reader.feed(QByteArrayView(reply).sliced(at, std::min(piece, reply.size() - at)));
            QCOMPARE(reader.state(), wire::GetTestReplyReader::State::Done);
            QCOMPARE(reader.fileName(), QStringLiteral("Тест.kvf"));
            QCOMPARE(reader.block(), QByteArray("0123456789"));
            QCOMPARE(taken, reply.size() - 5); // what follows the block is not taken
        }
    }

    // --- GETTEST -------------------------------------------------------------

    void getTestByteForByte()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        const QByteArray test("\x00\x01KVF\r\n\xFF", 8);
        server.setReply(FakeTestServer::testReply("\xCC\xEE\xE9.kvf", test) + "trailing junk");

        ServerClient client;
        QByteArray sentBeforeLoad;
        int calls = 0;
        const GetTestResult result = client.getTest(addressOf(server), QStringLiteral("КЛАСС-7"),
                                                    [&](const QByteArray& bytes, const QString& name) {
                                                        ++calls;
                                                        QCOMPARE(bytes, test);
                                                        QCOMPARE(name, QStringLiteral("Мой.kvf"));
                                                        QVERIFY(client.isBusy());
                                                        sentBeforeLoad = server.received(0);
                                                    });
        QCOMPARE(result.status, ExchangeStatus::Ok);
        QCOMPARE(calls, 1);
        QVERIFY(result.testTaken);
        QCOMPARE(result.fileName, QStringLiteral("Мой.kvf"));
        QCOMPARE(result.bytes, test);
        QVERIFY(!client.isBusy());
        // The loader ran with the connection still open, before QUIT.
        QCOMPARE(sentBeforeLoad, QByteArray("GETTEST\r\n\xCA\xCB\xC0\xD1\xD1-7\r\n"));
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0), QByteArray("GETTEST\r\n\xCA\xCB\xC0\xD1\xD1-7\r\nQUIT\r\n"));
    }

    void replySentBeforeTheRequestIsKept()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply(FakeTestServer::testReply("early.kvf", "abc"), 0);
        ServerClient client;
        const GetTestResult result = client.getTest(addressOf(server), QStringLiteral("PC"));
        QCOMPARE(result.status, ExchangeStatus::Ok);
        QCOMPARE(result.fileName, QStringLiteral("early.kvf"));
        QCOMPARE(result.bytes, QByteArray("abc"));
    }

    void getTestEmptyBlock()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply("YES\r\nempty.kvf\r\n0\r\n");
        ServerClient client;
        int calls = 0;
        const GetTestResult result = client.getTest(addressOf(server), QStringLiteral("PC"),
                                                    [&](const QByteArray& bytes, const QString& name) {
                                                        ++calls;
                                                        QVERIFY(bytes.isEmpty());
                                                        QCOMPARE(name, QStringLiteral("empty.kvf"));
                                                    });
        QCOMPARE(result.status, ExchangeStatus::Ok);
        QCOMPARE(calls, 1);
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0), QByteArray("GETTEST\r\nPC\r\nQUIT\r\n"));
    }

    void getTestRefused_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("serverCloses");
        QTest::newRow("NO") << QByteArray("NO\r\n") << false;
        QTest::newRow("lower case yes") << QByteArray("yes\r\n") << false;
        QTest::newRow("YES with a blank") << QByteArray("YES \r\n") << false;
        QTest::newRow("empty line") << QByteArray("\r\n") << false;
        QTest::newRow("YES then more on the line") << QByteArray("YESS\nname\n1\nx") << false;
        QTest::newRow("NO, then the server closes") << QByteArray("NO\r\n") << true;
    }
    void getTestRefused()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, serverCloses);
        FakeTestServer server;
        QVERIFY(server.start());
        ServerClient client;
        bool loaded = false;
        const GetTestResult result = getTestReplying(server, reply, serverCloses, client, loaded);
        QCOMPARE(result.status, ExchangeStatus::Refused);
        QVERIFY(!loaded);
        QVERIFY(!result.testTaken);
        if (!serverCloses) {
            QVERIFY(server.waitForClosed(1));
            QCOMPARE(server.received(0), QByteArray("GETTEST\r\nPC\r\nQUIT\r\n"));
        }
    }

    void getTestBadReply_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("serverCloses");
        QTest::newRow("20000-byte reply line") << QByteArray(20000, 'Y') + "\r\n" << false;
        QTest::newRow("20000-byte name line") << "YES\r\n" + QByteArray(20000, 'n') + "\r\n1\r\nx" << false;
        QTest::newRow("negative size") << QByteArray("YES\r\nt.kvf\r\n-1\r\n") << false;
        QTest::newRow("size not a number") << QByteArray("YES\r\nt.kvf\r\nten\r\n") << false;
        QTest::newRow("size over 1 GiB") << QByteArray("YES\r\nt.kvf\r\n1073741825\r\n") << false;
        QTest::newRow("closed in the middle of the block")
            << QByteArray("YES\r\nt.kvf\r\n100\r\n0123456789") << true;
        QTest::newRow("closed before the size line") << QByteArray("YES\r\nt.kvf\r\n") << true;
        QTest::newRow("closed without a reply") << QByteArray() << true;
        QTest::newRow("closed on a partial reply line") << QByteArray("YE") << true;
    }
    void getTestBadReply()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, serverCloses);
        FakeTestServer server;
        QVERIFY(server.start());
        ServerClient client;
        bool loaded = false;
        const GetTestResult result = getTestReplying(server, reply, serverCloses, client, loaded);
        QCOMPARE(result.status, ExchangeStatus::Failed);
        QVERIFY(!loaded);
        QVERIFY(!result.testTaken);
        QVERIFY(result.bytes.isEmpty());
        QVERIFY(!client.isBusy());
        // The client closed its side.
        QVERIFY(server.waitForClosed(1));
    }

    void getTestConnectionRefused()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setRefusing(true);
        ServerClient client;
        const GetTestResult result = client.getTest(addressOf(server), QStringLiteral("PC"));
        QCOMPARE(result.status, ExchangeStatus::Failed);
        QCOMPARE(server.connectionCount(), 0);
    }

    void badAddressFails_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("port 0") << QStringLiteral("127.0.0.1") << 0;
        QTest::newRow("port too large") << QStringLiteral("127.0.0.1") << 70000;
        QTest::newRow("empty host") << QString() << 5005;
        QTest::newRow("unknown host") << QStringLiteral("no-such-host.invalid") << 5005;
    }
    void badAddressFails()
    {
        QFETCH(QString, host);
        QFETCH(int, port);
        ServerClient client;
        QCOMPARE(client.sendInfoProcess({host, port}, QByteArray("x")).status, ExchangeStatus::Failed);
        QVERIFY(!client.isBusy());
    }

    // A listening socket whose accept queue is full drops further connection attempts,
    // so they hang until the client gives up.
    void connectTimeout()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&addr), len), 0);
        QCOMPARE(::listen(fd, 0), 0);
        QCOMPARE(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
        const quint16 port = ntohs(addr.sin_port);
        QList<QTcpSocket*> fillers;
        for (int i = 0; i < 3; ++i) {
            auto* s = new QTcpSocket(this);
            s->connectToHost(QStringLiteral("127.0.0.1"), port);
            fillers.append(s);
        }
        QTest::qWait(200);

        ServerClient client;
        QCOMPARE(client.connectTimeout(), std::chrono::milliseconds(120000));
        client.setConnectTimeout(std::chrono::milliseconds(300));
        const ExchangeResult result = client.sendInfoProcess({QStringLiteral("127.0.0.1"), port}, "x");
        QCOMPARE(result.status, ExchangeStatus::Failed);
        QVERIFY2(result.detail.contains(QStringLiteral("timed out")), qPrintable(result.detail));
        qDeleteAll(fillers);
        ::close(fd);
    }

    // --- the window keeps running during an exchange -------------------------

    void timerTicksDuringSlowExchange()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply("YES\r\nt\r\n1\r\nA");
        server.setDripInterval(100);
        ServerClient client;
        int ticksWhileBusy = 0;
        QTimer clock;
        connect(&clock, &QTimer::timeout, this, [&] { ticksWhileBusy += client.isBusy() ? 1 : 0; });
        clock.start(20);
        const GetTestResult result = client.getTest(addressOf(server), QStringLiteral("PC"));
        QCOMPARE(result.status, ExchangeStatus::Ok);
        QCOMPARE(result.bytes, QByteArray("A"));
        QVERIFY2(ticksWhileBusy >= 5, qPrintable(QString::number(ticksWhileBusy)));
    }

    void exchangeWhileBusyFails()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply("YES\r\nt\r\n2\r\nAB");
        server.setDripInterval(100);
        ServerClient client;
        QList<bool> busySignals;
        connect(&client, &ServerClient::busyChanged, this, [&](bool busy) { busySignals.append(busy); });
        std::optional<ExchangeResult> nested;
        QTimer::singleShot(150, this, [&] {
            nested = client.sendInfoProcess(addressOf(server), QByteArray("x"));
            QVERIFY(client.isBusy());
        });
        const GetTestResult result = client.getTest(addressOf(server), QStringLiteral("PC"));
        QCOMPARE(result.status, ExchangeStatus::Ok);
        QCOMPARE(result.bytes, QByteArray("AB"));
        QVERIFY(nested.has_value());
        QCOMPARE(nested->status, ExchangeStatus::Failed);
        QCOMPARE(server.connectionCount(), 1);
        QCOMPARE(busySignals, (QList<bool>{true, false}));
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0), QByteArray("GETTEST\r\nPC\r\nQUIT\r\n"));
    }

    void silentServerWaitsUntilCancelled()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        ServerClient client;
        int ticks = 0;
        QTimer clock;
        connect(&clock, &QTimer::timeout, this, [&] {
            if (++ticks == 10)
                client.cancel();
        });
        clock.start(30);
        const GetTestResult result = client.getTest(addressOf(server), QStringLiteral("PC"));
        QCOMPARE(result.status, ExchangeStatus::Failed);
        QCOMPARE(ticks, 10);
        QVERIFY(!client.isBusy());
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0), QByteArray("GETTEST\r\nPC\r\n"));
    }

    // --- INFOBEGIN, INFOPROCESS, RESULT --------------------------------------

    void infoBeginBlock()
    {
        InfoBeginData data;
        data.RunGUID = Guid;
        data.UserName = QStringLiteral("Иванов");
        data.UserGroup = QStringLiteral("10А");
        data.ComputerName = QStringLiteral("PC7");
        data.TestTitle = QStringLiteral("Тест");
        data.TestFileName = QStringLiteral("t.kvf");
        data.TestFileCRC = 0xDEADBEEF;
        data.TestUId = QStringLiteral("U1");
        data.TaskCount = 3;
        data.MaxPoints = 7;
        const QByteArray expected = lstrOfGuid() + QByteArray::fromHex("06000000 C8E2E0EDEEE2"
                                                                       "03000000 3130C0"
                                                                       "03000000 504337"
                                                                       "00000000"
                                                                       "04000000 D2E5F1F2"
                                                                       "05000000 742E6B7666"
                                                                       "EFBEADDE"
                                                                       "02000000 5531"
                                                                       "03000000"
                                                                       "07000000");
        QCOMPARE(buildInfoBeginBlock(data), expected);

        FakeTestServer server;
        QVERIFY(server.start());
        ServerClient client;
        QCOMPARE(client.sendInfoBegin(addressOf(server), expected).status, ExchangeStatus::Ok);
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0),
                 "INFOBEGIN\r\n" + QByteArray::number(expected.size()) + "\r\n" + expected + "QUIT\r\n");
    }

    void infoProcessBlock()
    {
        // The first task, worth 2 points, answered right without a hint.
        InfoProcessData data;
        data.RunGUID = Guid;
        data.AskedCount = 1;
        data.RightCount = 1;
        data.Points = 2.0;
        data.AskedMaxPoints = 2;
        const QByteArray block = buildInfoProcessBlock(data);
        QCOMPARE(block.size(), 70);
        QCOMPARE(block, lstrOfGuid() + QByteArray::fromHex("01000000 01000000 00000000 00000000"
                                                           "0000000000000040"
                                                           "02000000"));
        data.Points = -1.5;
        QCOMPARE(buildInfoProcessBlock(data).mid(58, 8), QByteArray::fromHex("000000000000F8BF"));

        FakeTestServer server;
        QVERIFY(server.start());
        ServerClient client;
        QCOMPARE(client.sendInfoProcess(addressOf(server), block).status, ExchangeStatus::Ok);
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0), "INFOPROCESS\r\n70\r\n" + block + "QUIT\r\n");
    }

    void resultMessage()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply("unexpected chatter\r\n", 0);
        ServerClient client;
        QByteArray record(133, '\0');
        record[0] = '\x01';
        QCOMPARE(client.sendResult(addressOf(server), Guid, record).status, ExchangeStatus::Ok);
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0), "RESULT\r\n" + Guid.toLatin1() + "\r\n133\r\n" + record + "QUIT\r\n");
    }

    void largeResultIsSentWhole()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        ServerClient client;
        QByteArray record(3 * 1024 * 1024, '\0');
        for (qsizetype i = 0; i < record.size(); ++i)
            record[i] = static_cast<char>(i * 7);
        QCOMPARE(client.sendResult(addressOf(server), Guid, record).status, ExchangeStatus::Ok);
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0),
                 "RESULT\r\n" + Guid.toLatin1() + "\r\n3145728\r\n" + record + "QUIT\r\n");
    }

    void sendFailsWhenServerHangsUp()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply(QByteArray(), 0);
        server.setCloseAfterReply(true);
        ServerClient client;
        // Large enough that the send cannot finish before the hang-up is noticed.
        const QByteArray record(8 * 1024 * 1024, 'r');
        QCOMPARE(client.sendResult(addressOf(server), Guid, record).status, ExchangeStatus::Failed);
        QVERIFY(!client.isBusy());
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestNet)
#include "tst_net.moc"
