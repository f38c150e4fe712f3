#include "AwaitExchange.h"
#include "FakeTestServer.h"
#include "support/TestEnvironment.h"

#include "common/FormatError.h"
#include "net/NetMessages.h"
#include "net/ServerClient.h"
#include "net/WireFormat.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kvizor;
using kvizor::testing::Awaited;
using kvizor::testing::AwaitedTest;
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

// What the receiver of a GETTEST saw.
struct Received
{
    int calls = 0;
    QByteArray bytes;
    QString name;
    // The file the block came in, and whether only its owner may read it.
    QString path;
    bool ownerOnly = false;
    // What the server had got when the receiver ran.
    QByteArray serverHad;
};

ServerClient::TestReceiver recordInto(Received& into, const FakeTestServer* server = nullptr)
{
    return [&into, server](const QString& name, QIODevice& block) {
        ++into.calls;
        into.name = name;
        into.bytes = block.readAll();
        if (auto* file = qobject_cast<QFile*>(&block)) {
            into.path = file->fileName();
            const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                    QFileDevice::ReadOther | QFileDevice::WriteOther;
            into.ownerOnly = (file->permissions() & others) == 0;
        }
        if (server != nullptr && server->connectionCount() > 0)
            into.serverHad = server->received(0);
    };
}

// GETTEST from "PC" against a server that sends reply (and then closes, when asked),
// run to its end.
GetTestResult getTestReplying(FakeTestServer& server, const QByteArray& reply, bool serverCloses,
                              Received& received)
{
    server.setReply(reply);
    server.setCloseAfterReply(serverCloses);
    ServerClient client;
    AwaitedTest done;
    client.getTest(addressOf(server), QStringLiteral("PC"), recordInto(received), done.completion());
    done.wait();
    return done.result.value_or(GetTestResult());
}

// One report to the server, run to its end.
template <typename Start>
ExchangeResult send(const FakeTestServer&, Start start)
{
    ServerClient client;
    Awaited<> done;
    start(client, done.completion());
    done.wait();
    return done.result.value_or(ExchangeResult());
}

ExchangeResult sendResult(const FakeTestServer& server, const QByteArray& record)
{
    return send(server, [&](ServerClient& c, const ServerClient::Completion& done) {
        c.sendResult(addressOf(server), Guid, record, done);
    });
}

// Blocks received into the temporary folder and not yet removed.
QStringList blockFilesLeft()
{
    return QDir::temp().entryList({QStringLiteral("kvizor-*")}, QDir::Files);
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

    // The block reaches the receiver byte for byte through an owner-only temporary file,
    // while the connection is still open (before QUIT); the file is gone afterwards.
    void getTestByteForByte_data()
    {
        QTest::addColumn<QByteArray>("test");
        QTest::newRow("small, with line breaks and zeros") << QByteArray("\x00\x01KVF\r\n\xFF", 8);
        QByteArray large(3 * 1024 * 1024 + 17, '\0');
        for (qsizetype i = 0; i < large.size(); ++i)
            large[i] = static_cast<char>((i * 131) ^ (i >> 9));
        QTest::newRow("3 MB") << large;
    }
    void getTestByteForByte()
    {
        QFETCH(QByteArray, test);
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply(FakeTestServer::testReply("\xCC\xEE\xE9.kvf", test) + "trailing junk");

        ServerClient client;
        Received received;
        AwaitedTest done;
        client.getTest(addressOf(server), QStringLiteral("КЛАСС-7"), recordInto(received, &server),
                       done.completion());
        QVERIFY(client.isBusy());
        QCOMPARE(done.completions, 0); // never from inside the call
        QVERIFY(done.wait());
        QCOMPARE(done.completions, 1);
        const GetTestResult& result = *done.result;
        QCOMPARE(result.status, ExchangeStatus::Ok);
        QCOMPARE(received.calls, 1);
        QVERIFY(result.testTaken);
        QCOMPARE(result.fileName, QStringLiteral("Мой.kvf"));
        QCOMPARE(result.blockSize, test.size());
        QVERIFY(received.bytes == test);
        QCOMPARE(received.name, QStringLiteral("Мой.kvf"));
        QVERIFY(!client.isBusy());
        QVERIFY2(received.path.startsWith(QDir::tempPath() + QLatin1Char('/')), qPrintable(received.path));
        QVERIFY(received.ownerOnly);
        QVERIFY(!QFile::exists(received.path));
        // The loader ran with the connection still open, before QUIT.
        QCOMPARE(received.serverHad, QByteArray("GETTEST\r\n\xCA\xCB\xC0\xD1\xD1-7\r\n"));
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0), QByteArray("GETTEST\r\n\xCA\xCB\xC0\xD1\xD1-7\r\nQUIT\r\n"));
    }

    void replySentBeforeTheRequestIsKept()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply(FakeTestServer::testReply("early.kvf", "abc"), 0);
        ServerClient client;
        Received received;
        AwaitedTest done;
        client.getTest(addressOf(server), QStringLiteral("PC"), recordInto(received), done.completion());
        QVERIFY(done.wait());
        QCOMPARE(done.result->status, ExchangeStatus::Ok);
        QCOMPARE(received.name, QStringLiteral("early.kvf"));
        QCOMPARE(received.bytes, QByteArray("abc"));
    }

    void getTestEmptyBlock()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        Received received;
        const GetTestResult result = getTestReplying(server, "YES\r\nempty.kvf\r\n0\r\n", false, received);
        QCOMPARE(result.status, ExchangeStatus::Ok);
        QCOMPARE(received.calls, 1);
        QVERIFY(received.bytes.isEmpty());
        QCOMPARE(received.name, QStringLiteral("empty.kvf"));
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
        Received received;
        const GetTestResult result = getTestReplying(server, reply, serverCloses, received);
        QCOMPARE(result.status, ExchangeStatus::Refused);
        QCOMPARE(received.calls, 0);
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
        Received received;
        const GetTestResult result = getTestReplying(server, reply, serverCloses, received);
        QCOMPARE(result.status, ExchangeStatus::Failed);
        QCOMPARE(received.calls, 0);
        QVERIFY(!result.testTaken);
        // Nothing of a block cut short stays on disk.
        QCOMPARE(blockFilesLeft(), QStringList());
        // The client closed its side.
        QVERIFY(server.waitForClosed(1));
    }

    // A temporary folder that cannot take the block fails the exchange.
    void getTestWithoutTemporaryFolder()
    {
        // A file where the folder should be refuses new files, also to root.
        QTemporaryDir dir;
        QFile notAFolder(dir.filePath(QStringLiteral("file")));
        QVERIFY(notAFolder.open(QIODevice::WriteOnly));
        notAFolder.close();
        const QByteArray tmpdir = qgetenv("TMPDIR");
        const auto restore = qScopeGuard([&] { qputenv("TMPDIR", tmpdir); });
        qputenv("TMPDIR", QFile::encodeName(notAFolder.fileName()));
        FakeTestServer server;
        QVERIFY(server.start());
        Received received;
        const GetTestResult result =
            getTestReplying(server, FakeTestServer::testReply("t.kvf", "abc"), false, received);
        QCOMPARE(result.status, ExchangeStatus::Failed);
        QCOMPARE(received.calls, 0);
    }

    // The receiver may run a modal prompt (the opening password): the exchange waits for
    // it, whatever the server or the user does meanwhile.
    void receiverRunsAModalPrompt_data()
    {
        QTest::addColumn<bool>("serverCloses");
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<int>("status");
        QTest::newRow("server waits") << false << false << int(ExchangeStatus::Ok);
        QTest::newRow("server closes meanwhile") << true << false << int(ExchangeStatus::Ok);
        QTest::newRow("cancelled meanwhile") << false << true << int(ExchangeStatus::Failed);
    }
    void receiverRunsAModalPrompt()
    {
        QFETCH(bool, serverCloses);
        QFETCH(bool, cancelled);
        QFETCH(int, status);
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply(FakeTestServer::testReply("t.kvf", "abc"));
        server.setCloseAfterReply(serverCloses);
        ServerClient client;
        AwaitedTest done;
        QByteArray bytes;
        client.getTest(
            addressOf(server), QStringLiteral("PC"),
            [&](const QString&, QIODevice& block) {
                QEventLoop prompt;
                QTimer::singleShot(150, &prompt, &QEventLoop::quit);
                if (cancelled)
                    QTimer::singleShot(50, &client, &ServerClient::cancel);
                prompt.exec();
                QCOMPARE(done.completions, 0);
                bytes = block.readAll();
            },
            done.completion());
        QVERIFY(done.wait());
        QCOMPARE(int(done.result->status), status);
        QVERIFY(done.result->testTaken);
        QCOMPARE(bytes, QByteArray("abc"));
        QCOMPARE(done.completions, 1);
    }

    void getTestConnectionRefused()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setRefusing(true);
        Received received;
        const GetTestResult result =
            getTestReplying(server, FakeTestServer::testReply("t.kvf", "abc"), false, received);
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
        Awaited<> done;
        client.sendInfoProcess({host, port}, QByteArray("x"), done.completion());
        QCOMPARE(done.completions, 0);
        QVERIFY(done.wait());
        QCOMPARE(done.result->status, ExchangeStatus::Failed);
        QVERIFY(!client.isBusy());
    }

    void connectTimeout()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setStalling(true);
        ServerClient client;
        QCOMPARE(client.connectTimeout(), std::chrono::milliseconds(120000));
        client.setConnectTimeout(std::chrono::milliseconds(300));
        Awaited<> done;
        client.sendInfoProcess(addressOf(server), "x", done.completion());
        QVERIFY(done.wait());
        QCOMPARE(done.result->status, ExchangeStatus::Failed);
        QVERIFY2(done.result->detail.contains(QStringLiteral("timed out")), qPrintable(done.result->detail));
    }

    // --- one exchange at a time --------------------------------------------------

    void exchangeWhileBusyFails()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply("YES\r\nt\r\n2\r\nAB");
        server.setDripInterval(50);
        ServerClient client;
        QList<bool> busySignals;
        connect(&client, &ServerClient::busyChanged, this, [&](bool busy) { busySignals.append(busy); });
        AwaitedTest first;
        Awaited<> nested;
        Received received;
        client.getTest(addressOf(server), QStringLiteral("PC"), recordInto(received), first.completion());
        client.sendInfoProcess(addressOf(server), QByteArray("x"), nested.completion());
        QVERIFY(nested.wait());
        QCOMPARE(nested.result->status, ExchangeStatus::Failed);
        QVERIFY(client.isBusy());
        QVERIFY(first.wait());
        QCOMPARE(first.result->status, ExchangeStatus::Ok);
        QCOMPARE(received.bytes, QByteArray("AB"));
        QCOMPARE(server.connectionCount(), 1);
        QCOMPARE(busySignals, (QList<bool>{true, false}));
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0), QByteArray("GETTEST\r\nPC\r\nQUIT\r\n"));
    }

    // The completion comes once the client is idle, so it may start the next exchange.
    void completionMayStartTheNextExchange()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        ServerClient client;
        Awaited<> second;
        client.sendInfoBegin(addressOf(server), QByteArray("a"), [&](const ExchangeResult& first) {
            QVERIFY(first.ok());
            QVERIFY(!client.isBusy());
            client.sendInfoProcess(addressOf(server), QByteArray("b"), second.completion());
        });
        QVERIFY(second.wait());
        QCOMPARE(second.result->status, ExchangeStatus::Ok);
        QVERIFY(server.waitForClosed(2));
        QCOMPARE(server.received(1), QByteArray("INFOPROCESS\r\n1\r\nbQUIT\r\n"));
    }

    void silentServerWaitsUntilCancelled()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        ServerClient client;
        AwaitedTest done;
        Received received;
        client.getTest(addressOf(server), QStringLiteral("PC"), recordInto(received), done.completion());
        QVERIFY(!done.wait(300));
        QVERIFY(client.isBusy());
        client.cancel();
        QVERIFY(done.wait());
        QCOMPARE(done.result->status, ExchangeStatus::Failed);
        QCOMPARE(done.completions, 1);
        QVERIFY(!client.isBusy());
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0), QByteArray("GETTEST\r\nPC\r\n"));
    }

    // A client destroyed during an exchange closes the connection and reports nothing.
    void destroyedClientReportsNothing()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        Awaited<> done;
        {
            ServerClient client;
            client.sendInfoProcess(addressOf(server), QByteArray(4 * 1024 * 1024, 'p'), done.completion());
            QVERIFY(QTest::qWaitFor([&] { return server.connectionCount() == 1; }, 5000));
        }
        QVERIFY(server.waitForClosed(1));
        QTest::qWait(50);
        QCOMPARE(done.completions, 0);
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
        QCOMPARE(send(server,
                      [&](ServerClient& c, const ServerClient::Completion& done) {
                          c.sendInfoBegin(addressOf(server), expected, done);
                      })
                     .status,
                 ExchangeStatus::Ok);
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
        QCOMPARE(send(server,
                      [&](ServerClient& c, const ServerClient::Completion& done) {
                          c.sendInfoProcess(addressOf(server), block, done);
                      })
                     .status,
                 ExchangeStatus::Ok);
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0), "INFOPROCESS\r\n70\r\n" + block + "QUIT\r\n");
    }

    void resultMessage()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        server.setReply("unexpected chatter\r\n", 0);
        QByteArray record(133, '\0');
        record[0] = '\x01';
        QCOMPARE(sendResult(server, record).status, ExchangeStatus::Ok);
        QVERIFY(server.waitForClosed(1));
        QCOMPARE(server.received(0), "RESULT\r\n" + Guid.toLatin1() + "\r\n133\r\n" + record + "QUIT\r\n");
    }

    void largeResultIsSentWhole()
    {
        FakeTestServer server;
        QVERIFY(server.start());
        QByteArray record(3 * 1024 * 1024, '\0');
        for (qsizetype i = 0; i < record.size(); ++i)
            record[i] = static_cast<char>(i * 7);
        QCOMPARE(sendResult(server, record).status, ExchangeStatus::Ok);
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
        // Large enough that the send cannot finish before the hang-up is noticed.
        const QByteArray record(8 * 1024 * 1024, 'r');
        QCOMPARE(sendResult(server, record).status, ExchangeStatus::Failed);
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestNet)
#include "tst_net.moc"
