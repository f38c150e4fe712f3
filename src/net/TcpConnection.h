#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace kvizor {

// One TCP connection to the test server. The implementation lives in the network module
// (common/Module.h), loaded by the first exchange, so the program starts without the
// network libraries. Only what an exchange needs; everything runs on the caller's thread
// and the events arrive from its event loop.
class TcpConnection
{
public:
    struct Events
    {
        std::function<void()> readyRead;
        std::function<void()> bytesWritten;
        std::function<void()> stateChanged;
        std::function<void()> failed;
    };

    // Defined here because the module must not need the program's symbols.
    virtual ~TcpConnection() = default;

    virtual void setEvents(const Events& events) = 0;
    virtual void connectToHost(const QString& host, quint16 port) = 0;
    virtual bool isConnected() const = 0;
    // Neither connecting nor connected nor closing.
    virtual bool isClosed() const = 0;
    virtual qint64 write(const QByteArray& bytes) = 0;
    virtual qint64 bytesToWrite() const = 0;
    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray read(qint64 maxSize) = 0;
    virtual void skipAvailable() = 0;
    virtual QString errorString() const = 0;
    virtual void disconnectFromHost() = 0;
    virtual void abort() = 0;
};

} // namespace kvizor

extern "C" {
// The module's entry: a new connection whose read buffer holds at most readBufferSize
// bytes; the caller owns it.
using KvizorOpenTcpConnection = kvizor::TcpConnection*(qint64 readBufferSize);
}

namespace kvizor {
inline constexpr char OpenTcpConnectionSymbol[] = "kvizor_open_tcp_connection";
}
