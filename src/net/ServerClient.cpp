#include "ServerClient.h"

#include "common/FormatError.h"
#include "common/Module.h"
#include "TcpConnection.h"
#include "WireFormat.h"

#include <QDir>
#include <QTemporaryFile>
#include <QTimer>

#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>

namespace kvizor {

namespace {

// Ends an exchange; caught once in Session::advance.
class ExchangeError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Socket reads go through a bounded buffer; the reply reader takes the bytes in steps.
constexpr qint64 ReadChunk = 64 * 1024;
constexpr qint64 SocketBufferSize = 256 * 1024;

} // namespace

// What one exchange sends and whether it reads a GETTEST reply.
struct ServerClient::Plan
{
    // Sent one after the other, each once the one before has gone out.
    QList<QByteArray> requests;
    // GETTEST: the reply is read, its block handed to receiver, and a server that has
    // closed its side by the time of "QUIT" is no failure.
    bool readsTest = false;
    TestReceiver receiver;
};

// One exchange on its own connection, driven by the connection's events through its
// phases. Every wait fails on a socket error, a closed connection, a connect time-out
// or cancel(). The completion is queued with the session as context, so it never runs
// inside a socket's signal and never after the session is gone.
class ServerClient::Session : public QObject
{
public:
    using Finished = std::function<void(Session*)>;

    Session(QObject* parent, Plan plan, Finished finished)
        : QObject(parent), m_plan(std::move(plan)), m_finished(std::move(finished))
    {
        m_connectTimer.setSingleShot(true);
        m_connectTimer.callOnTimeout(this, [this] {
            m_timedOut = true;
            advance();
        });
    }

    ~Session() override
    {
        // Events of the closing socket find the session done.
        m_phase = Phase::Done;
        if (m_socket)
            m_socket->abort();
    }

    const GetTestResult& result() const { return m_result; }

    void start(const ServerAddress& server, std::chrono::milliseconds timeout)
    {
        try {
            if (server.port <= 0 || server.port > 65535)
                throw ExchangeError("port out of range");
            open();
            m_connectTimer.start(timeout);
            m_socket->connectToHost(server.host, static_cast<quint16>(server.port));
        } catch (const ExchangeError& error) {
            fail(error.what());
            return;
        }
        advance();
    }

    void cancel()
    {
        m_cancelled = true;
        advance();
    }

private:
    enum class Phase
    {
        Connect,
        Send,
        Reply,
        Deliver,
        Quit,
        Close,
        Done
    };

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
            if (!m_plan.readsTest || m_reply.isFinished())
                m_socket->skipAvailable();
            advance();
        };
        events.bytesWritten = [this] { advance(); };
        events.stateChanged = [this] { advance(); };
        events.failed = [this] {
            m_socketFailed = true;
            advance();
        };
        m_socket->setEvents(events);
        if (m_plan.readsTest)
            m_reply.setBlockSink([this](QByteArrayView bytes) { keepBlockBytes(bytes); });
    }

    // Runs the phases as far as the connection allows. Re-entered calls (an event
    // delivered while a phase acts) make the running call look again.
    void advance()
    {
        if (m_phase == Phase::Done)
            return;
        if (m_advancing) {
            m_again = true;
            return;
        }
        m_advancing = true;
        try {
            do {
                m_again = false;
                while (m_phase != Phase::Done && step()) {
                }
            } while (m_again && m_phase != Phase::Done);
        } catch (const ExchangeError& error) {
            fail(error.what());
        }
        m_advancing = false;
    }

    // One phase: true when it is over and the next one may go on at once.
    bool step()
    {
        switch (m_phase) {
        case Phase::Connect:
            if (!ready(m_socket->isConnected()))
                return false;
            m_connectTimer.stop();
            send(m_plan.requests.value(0));
            m_phase = Phase::Send;
            return true;
        case Phase::Send:
            if (!ready(m_socket->bytesToWrite() == 0))
                return false;
            if (++m_sent < m_plan.requests.size()) {
                send(m_plan.requests.at(m_sent));
                return true;
            }
            if (m_plan.readsTest) {
                m_phase = Phase::Reply;
                return true;
            }
            return beginQuit();
        case Phase::Reply:
            if (!ready(drainReply()))
                return false;
            return replyComplete();
        case Phase::Deliver:
            // The receiver runs from a queued call; the connection waits meanwhile.
            return false;
        case Phase::Quit:
            return quitSent();
        case Phase::Close:
            return closed();
        case Phase::Done:
            break;
        }
        return false;
    }

    bool ready(bool done) const
    {
        if (m_cancelled)
            throw ExchangeError("cancelled");
        if (done)
            return true;
        if (m_timedOut)
            throw ExchangeError("connection attempt timed out");
        if (m_socketFailed || m_socket->isClosed()) {
            const QString reason =
                m_socketFailed ? m_socket->errorString() : QStringLiteral("connection closed");
            throw ExchangeError(reason.toStdString());
        }
        return false;
    }

    void send(const QByteArray& bytes)
    {
        if (m_socket->write(bytes) != bytes.size())
            throw ExchangeError(m_socket->errorString().toStdString());
    }

    bool drainReply()
    {
        while (!m_reply.isFinished() && m_socket->bytesAvailable() > 0) {
            const QByteArray chunk = m_socket->read(ReadChunk);
            try {
                m_reply.feed(chunk);
            } catch (const FormatError& error) {
                throw ExchangeError(error.what());
            }
        }
        return m_reply.isFinished();
    }

    // The block goes to a temporary file made when its first bytes arrive.
    void keepBlockBytes(QByteArrayView bytes)
    {
        if (!m_blockFile) {
            m_blockFile =
                std::make_unique<QTemporaryFile>(QDir::temp().filePath(QStringLiteral("kvizor-XXXXXX.kvf")));
            if (!m_blockFile->open())
                throw ExchangeError(m_blockFile->errorString().toStdString());
        }
        if (m_blockFile->write(bytes.data(), bytes.size()) != bytes.size())
            throw ExchangeError(m_blockFile->errorString().toStdString());
    }

    bool replyComplete()
    {
        m_result.blockSize = m_reply.blockSize();
        if (m_reply.state() == wire::GetTestReplyReader::State::Refused) {
            m_result.status = ExchangeStatus::Refused;
            return beginQuit();
        }
        m_result.fileName = m_reply.fileName();
        if (!m_blockFile)
            keepBlockBytes(QByteArrayView());
        if (!m_blockFile->flush() || !m_blockFile->seek(0))
            throw ExchangeError(m_blockFile->errorString().toStdString());
        m_phase = Phase::Deliver;
        // Not from inside a socket's signal: the receiver may run a modal prompt.
        QMetaObject::invokeMethod(
            this, [this] { deliver(); }, Qt::QueuedConnection);
        return false;
    }

    void deliver()
    {
        try {
            if (m_cancelled)
                throw ExchangeError("cancelled");
            if (m_plan.receiver) {
                m_result.testTaken = true;
                m_plan.receiver(m_result.fileName, *m_blockFile);
            }
        } catch (const std::exception& error) {
            fail(error.what());
            return;
        }
        m_blockFile.reset();
        m_result.status = ExchangeStatus::Ok;
        if (beginQuit())
            advance();
    }

    // "QUIT" goes out; false when that already ended the exchange.
    bool beginQuit()
    {
        m_phase = Phase::Quit;
        try {
            send(wire::encodeLine(QStringLiteral("QUIT")));
        } catch (const ExchangeError& error) {
            quitFailed(error);
            return false;
        }
        return true;
    }

    // When the exchange already has everything it needs from the server (a GETTEST
    // reply), a server that has closed its side first is no failure.
    void quitFailed(const ExchangeError& error)
    {
        if (!m_plan.readsTest || m_cancelled)
            fail(error.what());
        else
            done();
    }

    bool quitSent()
    {
        try {
            if (!ready(m_socket->bytesToWrite() == 0))
                return false;
        } catch (const ExchangeError& error) {
            quitFailed(error);
            return false;
        }
        m_phase = Phase::Close;
        m_socket->disconnectFromHost();
        return true;
    }

    bool closed()
    {
        try {
            // Nothing is left to send, so this ends without waiting on the server.
            if (!ready(m_socket->isClosed()))
                return false;
        } catch (const ExchangeError&) {
            // Everything was sent; a late error while closing changes nothing.
            m_socket->abort();
        }
        done();
        return false;
    }

    // A GETTEST has its outcome (received or refused) by now; a report got through.
    void done()
    {
        if (!m_plan.readsTest)
            m_result.status = ExchangeStatus::Ok;
        finish();
    }

    void fail(const char* what)
    {
        m_result.status = ExchangeStatus::Failed;
        m_result.detail = QString::fromLocal8Bit(what);
        if (m_socket)
            m_socket->abort();
        finish();
    }

    void finish()
    {
        m_phase = Phase::Done;
        m_connectTimer.stop();
        m_blockFile.reset();
        QMetaObject::invokeMethod(
            this, [this] { m_finished(this); }, Qt::QueuedConnection);
    }

    Plan m_plan;
    Finished m_finished;
    Phase m_phase = Phase::Connect;
    qsizetype m_sent = 0;
    GetTestResult m_result;
    wire::GetTestReplyReader m_reply;
    std::unique_ptr<QTemporaryFile> m_blockFile;
    QTimer m_connectTimer;
    bool m_cancelled = false;
    bool m_timedOut = false;
    bool m_socketFailed = false;
    bool m_advancing = false;
    bool m_again = false;
    // Last, so it goes first: its events use the members above.
    std::unique_ptr<TcpConnection> m_socket;
};

ServerClient::ServerClient(QObject* parent) : QObject(parent) {}

ServerClient::~ServerClient()
{
    delete m_session;
}

void ServerClient::cancel()
{
    if (m_session != nullptr)
        m_session->cancel();
}

void ServerClient::start(const ServerAddress& server, Plan plan, const GetTestCompletion& done)
{
    if (m_session != nullptr) {
        GetTestResult refused;
        refused.detail = QStringLiteral("another exchange is under way");
        QMetaObject::invokeMethod(
            this,
            [done, refused] {
                if (done)
                    done(refused);
            },
            Qt::QueuedConnection);
        return;
    }
    m_session =
        new Session(this, std::move(plan), [this, done](Session* session) { finished(session, done); });
    Q_EMIT busyChanged(true);
    m_session->start(server, m_connectTimeout);
}

void ServerClient::finished(Session* session, const GetTestCompletion& done)
{
    const GetTestResult result = session->result();
    // Deleted later: this runs from one of the session's own queued calls.
    session->deleteLater();
    m_session = nullptr;
    Q_EMIT busyChanged(false);
    if (done)
        done(result);
}

void ServerClient::getTest(const ServerAddress& server, const QString& computerName,
                           const TestReceiver& receiver, const GetTestCompletion& done)
{
    Plan plan;
    plan.requests = {wire::encodeLine(QStringLiteral("GETTEST")) + wire::encodeLine(computerName)};
    plan.readsTest = true;
    plan.receiver = receiver;
    start(server, std::move(plan), done);
}

void ServerClient::sendInfoBegin(const ServerAddress& server, const QByteArray& block, const Completion& done)
{
    Plan plan;
    plan.requests = {wire::encodeLine(QStringLiteral("INFOBEGIN")) + wire::encodeBlock(block)};
    start(server, std::move(plan), done);
}

void ServerClient::sendInfoProcess(const ServerAddress& server, const QByteArray& block,
                                   const Completion& done)
{
    Plan plan;
    plan.requests = {wire::encodeLine(QStringLiteral("INFOPROCESS")) + wire::encodeBlock(block)};
    start(server, std::move(plan), done);
}

void ServerClient::sendResult(const ServerAddress& server, const QString& runGuid, const QByteArray& record,
                              const Completion& done)
{
    Plan plan;
    plan.requests = {wire::encodeLine(QStringLiteral("RESULT")) + wire::encodeLine(runGuid),
                     wire::encodeBlock(record)};
    start(server, std::move(plan), done);
}

} // namespace kvizor
