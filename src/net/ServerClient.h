#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QEventLoop;
class QTimer;

namespace kvizor {

namespace wire {
class GetTestReplyReader;
}

// Where the test server listens; read from the settings anew for every exchange.
struct ServerAddress
{
    QString host;
    int port = 0;
};

enum class ExchangeStatus
{
    Ok,
    // GETTEST only: the server answered something other than "YES".
    Refused,
    // Any error: the caller shows "Нет связи с сервером!".
    Failed
};

struct ExchangeResult
{
    ExchangeStatus status = ExchangeStatus::Failed;
    // What went wrong, for diagnostics; never shown to the examinee.
    QString detail;

    bool ok() const { return status == ExchangeStatus::Ok; }
};

struct GetTestResult : ExchangeResult
{
    // The name line and the block, when the server sent them in full.
    QString fileName;
    QByteArray bytes;
    // The block was handed to the receiver, so a later failure leaves the test opened.
    bool testTaken = false;
};

// The one TCP client of the test-server protocol. Every exchange connects, sends its
// lines and at most one block, sends "QUIT" and disconnects; no connection outlives
// its exchange. An exchange blocks its caller but runs a local event loop, so the
// window keeps painting, taking input and ticking its timers meanwhile. A connection
// attempt is abandoned after connectTimeout(); reads have no time-out (cancel() ends
// a wait the user gives up on). An exchange started while another is under way (from
// an event handled during it) fails at once and leaves the running one alone.
//
// Destroy the client only when no exchange is under way (cancel() first, then
// deleteLater()).
class ServerClient : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds DefaultConnectTimeout{std::chrono::seconds(120)};

    // Called with the test's bytes and name while the connection is still open; may
    // run a modal prompt (the test's opening password).
    using TestReceiver = std::function<void(const QByteArray& bytes, const QString& fileName)>;

    explicit ServerClient(QObject* parent = nullptr);
    ~ServerClient() override;

    void setConnectTimeout(std::chrono::milliseconds timeout) { m_connectTimeout = timeout; }
    std::chrono::milliseconds connectTimeout() const { return m_connectTimeout; }

    bool isBusy() const { return m_busy; }
    // Ends the exchange under way as a failure; does nothing when idle.
    void cancel();

    // GETTEST with the computer's network name. On "YES" the name and the block are
    // read; receiver (when given) gets them before "QUIT" is sent, and the result
    // carries them too.
    GetTestResult getTest(const ServerAddress& server, const QString& computerName,
                          const TestReceiver& receiver = {});
    ExchangeResult sendInfoBegin(const ServerAddress& server, const QByteArray& block);
    ExchangeResult sendInfoProcess(const ServerAddress& server, const QByteArray& block);
    // The run's stored record, neither compressed nor scrambled.
    ExchangeResult sendResult(const ServerAddress& server, const QString& runGuid, const QByteArray& record);

Q_SIGNALS:
    // An exchange began or ended; the window can disable its network commands.
    void busyChanged(bool busy);

private:
    class Session;

    ExchangeResult runExchange(const ServerAddress& server,
                               const std::function<ExchangeStatus(Session&)>& body);

    bool m_busy = false;
    std::chrono::milliseconds m_connectTimeout = DefaultConnectTimeout;
    Session* m_session = nullptr;
};

} // namespace kvizor
