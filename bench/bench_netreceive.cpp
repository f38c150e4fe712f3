// Peak memory while a test of 300 MB arrives from the test server. A loopback server in
// this process streams the block; a child process fetches it with the program's client
// (the block goes to a temporary file and is read back through a small buffer, as the
// loader reads it) and reports how far its peak resident size rose above the size before
// the exchange. Goal: under 64 MiB above the baseline. For comparison the child can also
// collect the block in memory with the same reply reader, as the client once did.
//
//   bench_netreceive [MEGABYTES]                       the measurement (300 MB by default)
//   bench_netreceive --receive PORT BYTES file|memory  (internal) one fetch in the child

#include "BenchCpu.h"
#include "BenchMemory.h"

#include "net/ServerClient.h"
#include "net/WireFormat.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QIODevice>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <string_view>

using namespace kvizor;

namespace {

constexpr qint64 Chunk = 1 << 20;

// Refuses the first GETTEST (the child's warm-up) and answers the others with "YES", a
// name and a block of the given size, written a chunk at a time as the socket drains.
class StreamingServer : public QObject
{
public:
    explicit StreamingServer(qint64 size) : m_size(size)
    {
        m_chunk.resize(Chunk);
        for (qint64 i = 0; i < Chunk; ++i)
            m_chunk[i] = static_cast<char>((i * 2654435761u) >> 13);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] { accept(); });
    }
    bool listen() { return m_server.listen(QHostAddress::LocalHost); }
    quint16 port() const { return m_server.serverPort(); }

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            auto sent = std::make_shared<qint64>(-1);
            auto request = std::make_shared<QByteArray>();
            const bool refuse = m_connections++ == 0;
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, sent, request, refuse] {
                request->append(socket->readAll());
                if (*sent < 0 && request->count('\n') >= 2) {
                    if (refuse) {
                        socket->write("NO\r\n");
                        *sent = 0;
                        return;
                    }
                    socket->write("YES\r\nbench.kvf\r\n" + QByteArray::number(m_size) + "\r\n");
                    *sent = 0;
                    feed(socket, *sent);
                }
            });
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket,
                             [this, socket, sent] { feed(socket, *sent); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }
    // Keeps a few chunks queued, so the server's own memory stays small.
    void feed(QTcpSocket* socket, qint64& sent)
    {
        while (sent >= 0 && sent < m_size && socket->bytesToWrite() < 4 * Chunk) {
            const qint64 n = std::min(Chunk, m_size - sent);
            socket->write(m_chunk.constData(), n);
            sent += n;
        }
    }

    QTcpServer m_server;
    qint64 m_size;
    int m_connections = 0;
    QByteArray m_chunk;
};

// The child: one warm-up exchange (which loads the network module), then the fetch.
int receive(quint16 port, qint64 size, bool inMemory)
{
    const ServerAddress server{QStringLiteral("127.0.0.1"), port};
    ServerClient client;
    auto exchange = [&](const ServerClient::TestReceiver& receiver) {
        std::optional<GetTestResult> result;
        client.getTest(server, QStringLiteral("BENCH"), receiver,
                       [&](const GetTestResult& r) { result = r; });
        while (!result)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return *result;
    };
    // The server refuses the first request: only the module and the sockets are set up.
    exchange({});

    benchResetPeak();
    const qint64 baseline = benchStatusKiB("VmRSS:");
    const double cpuBefore = benchProcessCpu();
    QElapsedTimer timer;
    timer.start();
    qint64 received = 0;
    quint64 sum = 0;
    if (inMemory) {
        // The reply reader collecting the block in memory.
        QTcpSocket socket;
        socket.setReadBufferSize(256 * 1024);
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (!socket.waitForConnected(5000))
            return 2;
        socket.write("GETTEST\r\nBENCH\r\n");
        wire::GetTestReplyReader reply;
        while (!reply.isFinished() && socket.waitForReadyRead(30000)) {
            while (!reply.isFinished() && socket.bytesAvailable() > 0)
                reply.feed(socket.read(64 * 1024));
        }
        received = reply.block().size();
        for (const char c : reply.block())
            sum += static_cast<unsigned char>(c);
    } else {
        const GetTestResult result = exchange([&](const QString&, QIODevice& block) {
            QByteArray buffer(64 * 1024, '\0');
            for (qint64 got; (got = block.read(buffer.data(), buffer.size())) > 0;) {
                received += got;
                for (qint64 i = 0; i < got; ++i)
                    sum += static_cast<unsigned char>(buffer[i]);
            }
        });
        if (!result.ok())
            return 2;
    }
    const qint64 ms = timer.elapsed();
    const qint64 peak = benchStatusKiB("VmHWM:");
    std::printf("%lld %lld %lld %lld %.0f %llu\n", static_cast<long long>(baseline),
                static_cast<long long>(peak), static_cast<long long>(ms), static_cast<long long>(received),
                benchProcessCpu() - cpuBefore, static_cast<unsigned long long>(sum));
    return received == size ? 0 : 3;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 5 && args.at(1) == QLatin1String("--receive"))
        return receive(static_cast<quint16>(args.at(2).toUInt()), args.at(3).toLongLong(),
                       args.at(4) == QLatin1String("memory"));

    const qint64 megabytes = args.size() > 1 ? args.at(1).toLongLong() : 300;
    const qint64 size = megabytes * 1000 * 1000;
    for (const char* mode : {"file", "memory"}) {
        StreamingServer server(size);
        if (!server.listen()) {
            std::puts("cannot listen on 127.0.0.1");
            return 2;
        }
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QEventLoop loop;
        QObject::connect(&child, &QProcess::finished, &loop, &QEventLoop::quit);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--receive"), QString::number(server.port()), QString::number(size),
                     QString::fromLatin1(mode)});
        loop.exec();
        const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
        if (child.exitCode() != 0 || f.size() != 6) {
            std::printf("%s: the fetch failed (exit %d)\n", mode, child.exitCode());
            return 2;
        }
        const double growth = (f[1].toLongLong() - f[0].toLongLong()) / 1024.0;
        std::printf("%-6s receiving a %lld MB block: peak +%.1f MiB above the baseline (%.1f MiB)%s; "
                    "%lld ms, CPU %s ms\n",
                    mode, static_cast<long long>(megabytes), growth, f[0].toLongLong() / 1024.0,
                    std::string_view(mode) == "file" ? " (goal < 64)" : "", f[2].toLongLong(),
                    f[4].constData());
    }
    return 0;
}
