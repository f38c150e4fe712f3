#include "PlatformTests.h"

#include "platform/HandOffFrame.h"
#include "platform/linux/LocalSingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace kvizor;

namespace {

// One start of the helper program, read line by line.
class Helper
{
public:
    explicit Helper(const QStringList& arguments)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(KVIZOR_INSTANCE_HELPER), arguments);
    }
    ~Helper()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    QString nextLine(int timeoutMs = 15000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!m_process.canReadLine() && !deadline.hasExpired()) {
            if (!m_process.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime()))))
                break;
        }
        if (!m_process.canReadLine())
            return QStringLiteral("<no line>");
        return QString::fromUtf8(m_process.readLine()).chopped(1);
    }

    bool finishedCleanly(int timeoutMs = 15000)
    {
        return m_process.waitForFinished(timeoutMs) && m_process.exitStatus() == QProcess::NormalExit &&
               m_process.exitCode() == 0;
    }

    QProcess& process() { return m_process; }

private:
    QProcess m_process;
};

QStringList withMessage(const QString& folder, const QString& message)
{
    return {folder, QStringLiteral("--message"), message};
}

// A socket file as a crashed process leaves it: bound, then closed without being removed.
bool makeStaleSocket(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    if (static_cast<size_t>(name.size()) >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::copy(name.begin(), name.end(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound =
        fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return bound && QFile::exists(path);
}

// Connects to a first instance and writes the bytes as they are; false when either fails.
bool writeRaw(QLocalSocket& socket, const QString& path, const QByteArray& bytes)
{
    socket.connectToServer(path);
    if (!socket.waitForConnected(5000))
        return false;
    socket.write(bytes);
    return socket.waitForBytesWritten(5000);
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString folder() const { return m_dir->path(); }
    // Paths as the helper computes them for the same folder.
    QString serverPath() const
    {
        return LocalSingleInstance(SingleInstance::HandOffChannel, folder()).serverPath();
    }
    QString lockPath() const
    {
        return LocalSingleInstance(SingleInstance::HandOffChannel, folder()).lockPath();
    }

private Q_SLOTS:
    void init()
    {
        // Short, because socket paths are limited to about a hundred bytes.
        m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/si-XXXXXX"));
        QVERIFY(m_dir->isValid());
    }

    void namesCarryChannelAndUser()
    {
        const LocalSingleInstance instance(SingleInstance::HandOffChannel, folder());
        const QString name = QStringLiteral("KvizorStudent_FileCommand-") + CurrentUserId();
        QCOMPARE(instance.serverPath(), QDir(folder()).filePath(name));
        QCOMPARE(instance.lockPath(), QDir(folder()).filePath(name + QStringLiteral(".lock")));
        QCOMPARE(CurrentUserId(), QString::number(::getuid()));

        // The program's own instance lives in the user's private runtime folder.
        const std::unique_ptr<SingleInstance> program = SingleInstance::create();
        const auto* local = qobject_cast<LocalSingleInstance*>(program.get());
        QVERIFY(local);
        QCOMPARE(QFileInfo(local->serverPath()).absolutePath(),
                 QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
        QCOMPARE(QFileInfo(local->serverPath()).fileName(), name);
    }

    void frameRoundTrip_data()
    {
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QString();
        QTest::newRow("cyrillic path with blanks") << QStringLiteral("/home/ученик/Мои тесты/Тест №1.kvf");
        QTest::newRow("longest accepted") << QString(handoff::MaxMessageBytes, QLatin1Char('a'));
    }
    void frameRoundTrip()
    {
        QFETCH(QString, message);
        const QByteArray frame = handoff::EncodeFrame(message);

        handoff::FrameDecoder whole;
        QCOMPARE(whole.feed(frame), handoff::FrameDecoder::State::Complete);
        QCOMPARE(whole.message(), message);

        handoff::FrameDecoder byteByByte;
        for (qsizetype i = 0; i + 1 < frame.size(); ++i)
            QCOMPARE(byteByByte.feed(QByteArrayView(frame).sliced(i, 1)),
                     handoff::FrameDecoder::State::NeedMore);
        QCOMPARE(byteByByte.feed(QByteArrayView(frame).last(1)), handoff::FrameDecoder::State::Complete);
        QCOMPARE(byteByByte.message(), message);
    }

    void frameDamage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("message");
        const auto complete = static_cast<int>(handoff::FrameDecoder::State::Complete);
        const auto needMore = static_cast<int>(handoff::FrameDecoder::State::NeedMore);
        const auto invalid = static_cast<int>(handoff::FrameDecoder::State::Invalid);
        QTest::newRow("wrong magic") << QByteArray("KVHX\x01\0\0\0a", 9) << invalid << QString();
        QTest::newRow("count above the limit") << QByteArray("KVHO\x01\0\x01\0", 8) << invalid << QString();
        QTest::newRow("huge count") << QByteArray("KVHO\xFF\xFF\xFF\xFF", 8) << invalid << QString();
        QTest::newRow("header only") << QByteArray("KVHO\x03\0\0", 7) << needMore << QString();
        QTest::newRow("short body") << QByteArray("KVHO\x03\0\0\0ab", 10) << needMore << QString();
        QTest::newRow("bytes after the frame ignored")
            << QByteArray("KVHO\x02\0\0\0abKVHO", 14) << complete << QStringLiteral("ab");
    }
    void frameDamage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, state);
        QFETCH(QString, message);
        handoff::FrameDecoder decoder;
        QCOMPARE(static_cast<int>(decoder.feed(bytes)), state);
        QCOMPARE(decoder.message(), message);
        // Once decided, more bytes change nothing.
        if (state != static_cast<int>(handoff::FrameDecoder::State::NeedMore))
            QCOMPARE(static_cast<int>(decoder.feed(QByteArray("more"))), state);
    }

    void secondLaunchesHandOverTheirArgument()
    {
        Helper first({folder(), QStringLiteral("--expect"), QStringLiteral("3")});
        QCOMPARE(first.nextLine(), QStringLiteral("first"));

        const QStringList messages{QStringLiteral("/home/ученик/Мои тесты/Тест №1.KVF"), QString(),
                                   QStringLiteral("/tmp/notes.txt")};
        for (const QString& message : messages) {
            Helper second(message.isNull() ? QStringList{folder()} : withMessage(folder(), message));
            QCOMPARE(second.nextLine(), QStringLiteral("second delivered"));
            QVERIFY(second.finishedCleanly());
        }
        for (const QString& message : messages)
            QCOMPARE(first.nextLine(), QStringLiteral("message:") + message);
        QVERIFY(first.finishedCleanly());
        // A first instance that ends normally leaves neither socket nor lock behind.
        QVERIFY(!QFile::exists(serverPath()));
        QVERIFY(!QFile::exists(lockPath()));
    }

    void simultaneousStartsHaveExactlyOneFirst()
    {
        constexpr int count = 6;
        std::vector<std::unique_ptr<Helper>> helpers;
        for (int i = 0; i < count; ++i) {
            helpers.push_back(std::make_unique<Helper>(
                QStringList{folder(), QStringLiteral("--message"), QStringLiteral("m%1").arg(i),
                            QStringLiteral("--expect"), QString::number(count - 1)}));
        }
        Helper* first = nullptr;
        QSet<QString> expected;
        for (int i = 0; i < count; ++i) {
            const QString line = helpers[static_cast<size_t>(i)]->nextLine();
            if (line == QLatin1String("first")) {
                QVERIFY2(!first, "two first instances");
                first = helpers[static_cast<size_t>(i)].get();
            } else {
                QCOMPARE(line, QStringLiteral("second delivered"));
                expected.insert(QStringLiteral("message:m%1").arg(i));
            }
        }
        QVERIFY(first);
        QSet<QString> received;
        for (int i = 0; i < count - 1; ++i)
            received.insert(first->nextLine());
        QCOMPARE(received, expected);
        for (const auto& helper : helpers)
            QVERIFY(helper->finishedCleanly());
    }

    void killedFirstInstanceIsReplaced()
    {
        {
            Helper crashed({folder()});
            QCOMPARE(crashed.nextLine(), QStringLiteral("first"));
            crashed.process().kill();
            QVERIFY(crashed.process().waitForFinished());
        }
        QVERIFY(QFile::exists(serverPath()));
        QVERIFY(QFile::exists(lockPath()));

        Helper first({folder(), QStringLiteral("--expect"), QStringLiteral("1")});
        QCOMPARE(first.nextLine(), QStringLiteral("first"));
        Helper second(withMessage(folder(), QStringLiteral("/tmp/a.kvf")));
        QCOMPARE(second.nextLine(), QStringLiteral("second delivered"));
        QCOMPARE(first.nextLine(), QStringLiteral("message:/tmp/a.kvf"));
        QVERIFY(first.finishedCleanly());
    }

    void staleSocketWithoutLockIsReplaced()
    {
        QVERIFY(makeStaleSocket(serverPath()));
        Helper first({folder(), QStringLiteral("--expect"), QStringLiteral("1")});
        QCOMPARE(first.nextLine(), QStringLiteral("first"));
        Helper second(withMessage(folder(), QStringLiteral("b.kvf")));
        QCOMPARE(second.nextLine(), QStringLiteral("second delivered"));
        QCOMPARE(first.nextLine(), QStringLiteral("message:b.kvf"));
    }

    void lockOfAnEndedProcessIsTakenOver()
    {
        // The id of a process that has ended, written as a lock file of the usual layout.
        QProcess ended;
        ended.start(QStringLiteral(KVIZOR_INSTANCE_HELPER), {});
        QVERIFY(ended.waitForStarted());
        const qint64 pid = ended.processId();
        QVERIFY(ended.waitForFinished());
        QFile lock(lockPath());
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(pid) + "\ntst_platform_instance_helper\n" +
                   QSysInfo::machineHostName().toUtf8() + '\n' + QSysInfo::machineUniqueId() + '\n' +
                   QSysInfo::bootUniqueId() + '\n');
        lock.close();

        Helper first({folder(), QStringLiteral("--expect"), QStringLiteral("1")});
        QCOMPARE(first.nextLine(), QStringLiteral("first"));
        Helper second(withMessage(folder(), QStringLiteral("c.kvf")));
        QCOMPARE(second.nextLine(), QStringLiteral("second delivered"));
        QCOMPARE(first.nextLine(), QStringLiteral("message:c.kvf"));
    }

    void firstThatListensLateIsStillReached()
    {
        // The winner of a simultaneous start holds the lock before its socket exists.
        QLockFile lock(lockPath());
        QVERIFY(lock.tryLock(0));
        Helper second(withMessage(folder(), QStringLiteral("late.kvf")));
        QTest::qWait(300);
        QCOMPARE(second.process().state(), QProcess::Running);

        QLocalServer server;
        QVERIFY(server.listen(serverPath()));
        QVERIFY(server.waitForNewConnection(5000));
        QLocalSocket* socket = server.nextPendingConnection();
        handoff::FrameDecoder decoder;
        while (decoder.state() == handoff::FrameDecoder::State::NeedMore && socket->waitForReadyRead(5000))
            decoder.feed(socket->readAll());
        QCOMPARE(decoder.state(), handoff::FrameDecoder::State::Complete);
        QCOMPARE(decoder.message(), QStringLiteral("late.kvf"));
        socket->write(&handoff::Ack, 1);
        QVERIFY(socket->waitForBytesWritten(5000));
        QCOMPARE(second.nextLine(), QStringLiteral("second delivered"));
    }

    void unreachableFirstIsGivenUp()
    {
        QLockFile lock(lockPath());
        QVERIFY(lock.tryLock(0));
        Helper second({folder(), QStringLiteral("--message"), QStringLiteral("x.kvf"),
                       QStringLiteral("--delivery-timeout"), QStringLiteral("300")});
        QCOMPARE(second.nextLine(), QStringLiteral("second undelivered"));
        QVERIFY(second.finishedCleanly());
    }

    void handOffsWaitForAReceiver()
    {
        LocalSingleInstance instance(SingleInstance::HandOffChannel, folder());
        QCOMPARE(instance.start(), SingleInstance::Role::First);
        QVERIFY(instance.isListening());
        QCOMPARE(instance.start(), SingleInstance::Role::First);
        // Only the user may knock.
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                QFileDevice::ReadOther | QFileDevice::WriteOther;
        QCOMPARE(QFileInfo(instance.serverPath()).permissions() & others, QFileDevice::Permissions());

        for (const QString& message : {QStringLiteral("a.kvf"), QStringLiteral("b.kvf")}) {
            Helper second(withMessage(folder(), message));
            // The first instance answers from this process's event loop.
            QTRY_COMPARE_WITH_TIMEOUT(second.process().state(), QProcess::NotRunning, 15000);
            QCOMPARE(second.nextLine(), QStringLiteral("second delivered"));
        }
        QSignalSpy spy(&instance, &SingleInstance::handOffReceived);
        QTRY_COMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("a.kvf"));
        QCOMPARE(spy.at(1).at(0).toString(), QStringLiteral("b.kvf"));

        Helper third(withMessage(folder(), QStringLiteral("c.kvf")));
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 3, 15000);
        QCOMPARE(spy.at(2).at(0).toString(), QStringLiteral("c.kvf"));
    }

    void damagedConnectionsAreDropped()
    {
        LocalSingleInstance instance(SingleInstance::HandOffChannel, folder());
        QCOMPARE(instance.start(), SingleInstance::Role::First);
        QSignalSpy spy(&instance, &SingleInstance::handOffReceived);

        QLocalSocket garbage;
        QVERIFY(writeRaw(garbage, instance.serverPath(), "GET / HTTP/1.0\r\n\r\n"));
        QTRY_COMPARE(garbage.state(), QLocalSocket::UnconnectedState);

        QLocalSocket halfFrame;
        QVERIFY(writeRaw(halfFrame, instance.serverPath(),
                         handoff::EncodeFrame(QStringLiteral("half.kvf")).chopped(2)));
        QTest::qWait(100);
        halfFrame.abort();

        Helper second(withMessage(folder(), QStringLiteral("good.kvf")));
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 15000);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("good.kvf"));
        QTest::qWait(100);
        QCOMPARE(spy.count(), 1);
    }

    void claimEndsWithItsOwner()
    {
        auto first = std::make_unique<LocalSingleInstance>(SingleInstance::HandOffChannel, folder());
        QCOMPARE(first->start(), SingleInstance::Role::First);
        LocalSingleInstance second(SingleInstance::HandOffChannel, folder());
        QCOMPARE(second.start(), SingleInstance::Role::Second);
        first.reset();
        QVERIFY(!QFile::exists(serverPath()));
        LocalSingleInstance next(SingleInstance::HandOffChannel, folder());
        QCOMPARE(next.start(), SingleInstance::Role::First);
    }

    // A frame whose sender hangs up at once, without waiting for the answer, still counts.
    void senderThatHangsUpIsHeard()
    {
        LocalSingleInstance instance(SingleInstance::HandOffChannel, folder());
        QCOMPARE(instance.start(), SingleInstance::Role::First);
        QSignalSpy spy(&instance, &SingleInstance::handOffReceived);
        QLocalSocket sender;
        QVERIFY(writeRaw(sender, instance.serverPath(), handoff::EncodeFrame(QStringLiteral("quick.kvf"))));
        sender.abort();
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("quick.kvf"));
    }

    void channelPathTooLongRunsAlone()
    {
        const QString deep = folder() + QLatin1Char('/') + QString(120, QLatin1Char('d'));
        QVERIFY(QDir().mkpath(deep));
        LocalSingleInstance instance(SingleInstance::HandOffChannel, deep);
        QCOMPARE(instance.start(), SingleInstance::Role::First);
        QVERIFY(!instance.isListening());
        QVERIFY(instance.errorString().contains(instance.serverPath()));
    }

    void lockFolderMissingRunsAlone()
    {
        // Without a place for the lock nobody answers, so the program runs on its own.
        LocalSingleInstance instance(SingleInstance::HandOffChannel,
                                     folder() + QStringLiteral("/missing/deeper"));
        QCOMPARE(instance.start(), SingleInstance::Role::First);
        QVERIFY(!instance.isListening());
        QVERIFY(!instance.errorString().isEmpty());
    }
};

int runSingleInstanceTests(int argc, char** argv)
{
    TestSingleInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestSingleInstance.moc"
