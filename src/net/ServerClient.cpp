#include "ServerClient.h"

#include "common/FormatError.h"
#include "common/Module.h"
#include "TcpConnection.h"
#include "WireFormat.h"

#include <QEventLoop>
#include <QTimer>

#include <memory>
#include <optional>
#include <stdexcept>

namespace kvizor {

namespace {

// Ends an exchange; caught once in runExchange.
class ExchangeError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Socket reads go through a bounded buffer; the reply reader takes the bytes in steps.
constexpr qint64 ReadChunk = 64 * 1024;
constexpr qint64 SocketBufferSize = 256 * 1024;

} // namespace

// One connection: the socket, the local event loop that waits for it and the
// wire steps of an exchange. Every wait throws ExchangeError on a socket error, a
// closed connection, a connect time-out or cancel().
class ServerClient::Session
{
public:
    Session()
    {
        m_connectTimer.setSingleShot(true);
        QObject::connect(&m_connectTimer, &QTimer::timeout, &m_loop, [this] {
            m_timedOut = true;
            m_loop.quit();
        });
    }

    ~Session()
    {
        if (m_socket)
            m_socket->abort();
    }

    void cancel()
    {
        m_cancelled = true;
        m_loop.quit();
    }

    void connectTo(const ServerAddress& server, std::chrono::milliseconds timeout)
    {
        if (server.port <= 0 || server.port > 65535)
            throw ExchangeError("port out of range");
        open();
        m_connectTimer.start(timeout);
        m_socket->connectToHost(server.host, static_cast<quint16>(server.port));
        wait([this] { return m_socket->isConnected(); });
        m_connectTimer.stop();
    }

    void send(const QByteArray& bytes)
    {
        if (m_socket->write(bytes) != bytes.size())
            throw ExchangeError(m_socket->errorString().toStdString());
        wait([this] { return m_socket->bytesToWrite() == 0; });
    }

    // From now on received bytes are kept for the reply instead of being dropped; set
    // before the request goes out so nothing a quick server sends is lost.
    wire::GetTestReplyReader& keepReply()
    {
        m_reply.emplace();
        return *m_reply;
    }

    void waitForReply()
    {
        wait([this] { return drainInto(*m_reply); });
    }

    // "QUIT" and the disconnection. When the exchange has already got everything it
    // needs from the server (a GETTEST reply), a server that has closed its side
    // first is no failure.
    void finish(bool quitMayFail)
    {
        try {
            send(wire::encodeLine(QStringLiteral("QUIT")));
        } catch (const ExchangeError&) {
            if (!quitMayFail || m_cancelled)
                throw;
            return;
        }
        m_socket->disconnectFromHost();
        try {
            // Nothing is left to send, so this ends without waiting on the server.
            wait([this] { return m_socket->isClosed(); });
        } catch (const ExchangeError&) {
            // Everything was sent; a late error while closing changes nothing.
            m_socket->abort();
        }
    }

private:
    // The connection comes from the network module, loaded by the first exchange.
    void open()
    {
        QString error;
        auto* openConnection =
            ModuleFunction<KvizorOpenTcpConnection>(NetworkModule, OpenTcpConnectionSymbol, &error);
        if (openConnection == nullptr)
            throw ExchangeError(error.toStdString());
        m_socket.reset(openConnection(SocketBufferSize));
        TcpConnection::Events events;
        events.readyRead = [this] {
            // Outside a GETTEST reply the client reads nothing: drop what arrives.
            if (!m_reply || m_reply->isFinished())
                m_socket->skipAvailable();
            m_loop.quit();
        };
        events.bytesWritten = [this] { m_loop.quit(); };
        events.stateChanged = [this] { m_loop.quit(); };
        events.failed = [this] {
            m_socketFailed = true;
            m_loop.quit();
        };
        m_socket->setEvents(events);
    }

    bool drainInto(wire::GetTestReplyReader& reply)
    {
        while (!reply.isFinished() && m_socket->bytesAvailable() > 0) {
            const QByteArray chunk = m_socket->read(ReadChunk);
            try {
                reply.feed(chunk);
            } catch (const FormatError& error) {
                throw ExchangeError(error.what());
            }
        }
        return reply.isFinished();
    }

    template <typename Done>
    void wait(Done done)
    {
        for (;;) {
            if (m_cancelled)
                throw ExchangeError("cancelled");
            if (done())
                return;
            if (m_timedOut)
                throw ExchangeError("connection attempt timed out");
            if (m_socketFailed || m_socket->isClosed()) {
                const QString reason =
                    m_socketFailed ? m_socket->errorString() : QStringLiteral("connection closed");
                throw ExchangeError(reason.toStdString());
            }
            m_loop.exec();
        }
    }

    QEventLoop m_loop;
    QTimer m_connectTimer;
    std::optional<wire::GetTestReplyReader> m_reply;
    bool m_cancelled = false;
    bool m_timedOut = false;
    bool m_socketFailed = false;
    // Last, so it goes first: its events use the members above.
    std::unique_ptr<TcpConnection> m_socket;
};

ServerClient::ServerClient(QObject* parent) : QObject(parent) {}

ServerClient::~ServerClient()
{
    cancel();
}

void ServerClient::cancel()
{
    if (m_session != nullptr)
        m_session->cancel();
}

ExchangeResult ServerClient::runExchange(const ServerAddress& server,
                                         const std::function<ExchangeStatus(Session&)>& body)
{
    if (m_busy)
        return {ExchangeStatus::Failed, QStringLiteral("another exchange is under way")};

    Session session;
    // Clears the busy state also when the receiver of a test throws.
    struct BusyGuard
    {
        ServerClient& client;
        ~BusyGuard()
        {
            client.m_session = nullptr;
            client.m_busy = false;
            Q_EMIT client.busyChanged(false);
        }
    };
    m_busy = true;
    m_session = &session;
    BusyGuard guard{*this};
    Q_EMIT busyChanged(true);

    ExchangeResult result;
    try {
        session.connectTo(server, m_connectTimeout);
        result.status = body(session);
    } catch (const ExchangeError& error) {
        result.status = ExchangeStatus::Failed;
        result.detail = QString::fromLocal8Bit(error.what());
    }
    return result;
}

GetTestResult ServerClient::getTest(const ServerAddress& server, const QString& computerName,
                                    const TestReceiver& receiver)
{
    GetTestResult result;
    const ExchangeResult exchange = runExchange(server, [&](Session& session) {
        wire::GetTestReplyReader& reply = session.keepReply();
        session.send(wire::encodeLine(QStringLiteral("GETTEST")) + wire::encodeLine(computerName));
        session.waitForReply();
        if (reply.state() == wire::GetTestReplyReader::State::Refused) {
            session.finish(true);
            return ExchangeStatus::Refused;
        }
        result.fileName = reply.fileName();
        result.bytes = reply.takeBlock();
        if (receiver) {
            result.testTaken = true;
            receiver(result.bytes, result.fileName);
        }
        session.finish(true);
        return ExchangeStatus::Ok;
    });
    result.status = exchange.status;
    result.detail = exchange.detail;
    return result;
}

ExchangeResult ServerClient::sendInfoBegin(const ServerAddress& server, const QByteArray& block)
{
    return runExchange(server, [&](Session& session) {
        session.send(wire::encodeLine(QStringLiteral("INFOBEGIN")) + wire::encodeBlock(block));
        session.finish(false);
        return ExchangeStatus::Ok;
    });
}

ExchangeResult ServerClient::sendInfoProcess(const ServerAddress& server, const QByteArray& block)
{
    return runExchange(server, [&](Session& session) {
        session.send(wire::encodeLine(QStringLiteral("INFOPROCESS")) + wire::encodeBlock(block));
        session.finish(false);
        return ExchangeStatus::Ok;
    });
}

ExchangeResult ServerClient::sendResult(const ServerAddress& server, const QString& runGuid,
                                        const QByteArray& record)
{
    return runExchange(server, [&](Session& session) {
        session.send(wire::encodeLine(QStringLiteral("RESULT")) + wire::encodeLine(runGuid));
        session.send(wire::encodeBlock(record));
        session.finish(false);
        return ExchangeStatus::Ok;
    });
}

} // namespace kvizor
