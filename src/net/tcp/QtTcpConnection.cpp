// The network module: a TcpConnection over QTcpSocket.
#include "net/TcpConnection.h"

#include <QTcpSocket>

namespace kvizor {
namespace {

class QtTcpConnection : public TcpConnection
{
public:
    explicit QtTcpConnection(qint64 readBufferSize) { m_socket.setReadBufferSize(readBufferSize); }

    void setEvents(const Events& events) override
    {
        auto call = [](const std::function<void()>& event) {
            return [event] {
                if (event)
                    event();
            };
        };
        QObject::connect(&m_socket, &QTcpSocket::readyRead, call(events.readyRead));
        QObject::connect(&m_socket, &QTcpSocket::bytesWritten, call(events.bytesWritten));
        QObject::connect(&m_socket, &QTcpSocket::stateChanged, call(events.stateChanged));
        QObject::connect(&m_socket, &QTcpSocket::errorOccurred, call(events.failed));
    }

    void connectToHost(const QString& host, quint16 port) override { m_socket.connectToHost(host, port); }
    bool isConnected() const override { return m_socket.state() == QAbstractSocket::ConnectedState; }
    bool isClosed() const override { return m_socket.state() == QAbstractSocket::UnconnectedState; }
    qint64 write(const QByteArray& bytes) override { return m_socket.write(bytes); }
    qint64 bytesToWrite() const override { return m_socket.bytesToWrite(); }
    qint64 bytesAvailable() const override { return m_socket.bytesAvailable(); }
    QByteArray read(qint64 maxSize) override { return m_socket.read(maxSize); }
    void skipAvailable() override { m_socket.skip(m_socket.bytesAvailable()); }
    QString errorString() const override { return m_socket.errorString(); }
    void disconnectFromHost() override { m_socket.disconnectFromHost(); }
    void abort() override { m_socket.abort(); }

private:
    QTcpSocket m_socket;
};

} // namespace
} // namespace kvizor

extern "C" Q_DECL_EXPORT kvizor::TcpConnection* kvizor_open_tcp_connection(qint64 readBufferSize)
{
    return new kvizor::QtTcpConnection(readBufferSize);
}
