#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>

class QIODevice;

namespace kvizor {

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
    // The name line, when the server sent one.
    QString fileName;
    // The size the server announced for the block; -1 before its size line arrived.
    std::int64_t blockSize = -1;
    // The block was handed to the receiver, so a later failure leaves the test opened.
    bool testTaken = false;
};

// The one TCP client of the test-server protocol. Every exchange connects, sends its
// lines and at most one block, sends "QUIT" and disconnects; no connection outlives
// its exchange. Exchanges are asynchronous: a call starts one and returns at once, and
// its completion is called later from the event loop, exactly once, when the client is
// idle again (so it may start the next exchange). A connection attempt is abandoned
// after connectTimeout(); reads have no time-out (cancel() ends a wait). An exchange
// started while another is under way fails and leaves the running one alone.
//
// A GETTEST block is received into a temporary file (owner-only, in the temporary
// folder, removed when the exchange ends), so a large reply costs no memory.
//
// Destroying the client ends an exchange under way without calling its completion.
class ServerClient : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds DefaultConnectTimeout{std::chrono::seconds(120)};

    // Called with the test's name and its bytes (a device positioned at their start)
    // while the connection is still open; may run a modal prompt (the test's opening
    // password). The device lives only during the call.
    using TestReceiver = std::function<void(const QString& fileName, QIODevice& block)>;
    using Completion = std::function<void(const ExchangeResult& result)>;
    using GetTestCompletion = std::function<void(const GetTestResult& result)>;

    explicit ServerClient(QObject* parent = nullptr);
    ~ServerClient() override;

    void setConnectTimeout(std::chrono::milliseconds timeout) { m_connectTimeout = timeout; }
    std::chrono::milliseconds connectTimeout() const { return m_connectTimeout; }

    bool isBusy() const { return m_session != nullptr; }
    // Ends the exchange under way as a failure; does nothing when idle.
    void cancel();

    // GETTEST with the computer's network name. On "YES" the name and the block are
    // read and handed to receiver before "QUIT" is sent.
    void getTest(const ServerAddress& server, const QString& computerName, const TestReceiver& receiver,
                 const GetTestCompletion& done);
    void sendInfoBegin(const ServerAddress& server, const QByteArray& block, const Completion& done);
    void sendInfoProcess(const ServerAddress& server, const QByteArray& block, const Completion& done);
    // The run's stored record, neither compressed nor scrambled.
    void sendResult(const ServerAddress& server, const QString& runGuid, const QByteArray& record,
                    const Completion& done);

Q_SIGNALS:
    // An exchange began or ended; the window can disable its network commands.
    void busyChanged(bool busy);

private:
    class Session;
    struct Plan;

    void start(const ServerAddress& server, Plan plan, const GetTestCompletion& done);
    void finished(Session* session, const GetTestCompletion& done);

    std::chrono::milliseconds m_connectTimeout = DefaultConnectTimeout;
    Session* m_session = nullptr;
};

} // namespace kvizor
