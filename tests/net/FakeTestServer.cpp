#include "FakeTestServer.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kvizor::testing {

FakeTestServer::FakeTestServer(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeTestServer::onNewConnection);
}

FakeTestServer::~FakeTestServer()
{
    setStalling(false);
    for (Connection* c : std::as_const(m_connections)) {
        if (c->socket != nullptr)
            c->socket->disconnect(this);
        delete c;
    }
}

bool FakeTestServer::start()
{
    if (!m_server.listen(QHostAddress::LocalHost, m_port))
        return false;
    m_port = m_server.serverPort();
    return true;
}

void FakeTestServer::setRefusing(bool refusing)
{
    if (refusing)
        m_server.close();
    else
        start();
}

void FakeTestServer::setStalling(bool stalling)
{
    if (!stalling) {
        if (m_stallFd < 0)
            return;
        qDeleteAll(m_stallFillers);
        m_stallFillers.clear();
        ::close(m_stallFd);
        m_stallFd = -1;
        start();
        return;
    }
    if (m_stallFd >= 0)
        return;
    m_server.close();
    // A listener that never accepts, with the shortest queue: once one connection waits
    // in it, further attempts get no answer.
    m_stallFd = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(m_stallFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(m_port);
    if (::bind(m_stallFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_stallFd, 0) != 0)
        qFatal("the stalling listener cannot take port %u", unsigned(m_port));
    for (int i = 0; i < 2; ++i) {
        auto* filler = new QTcpSocket(this);
        filler->connectToHost(QHostAddress::LocalHost, m_port);
        m_stallFillers.append(filler);
    }
    if (!QTest::qWaitFor(
            [this] { return m_stallFillers.constFirst()->state() == QAbstractSocket::ConnectedState; }, 2000))
        qWarning("the stalling listener's queue did not fill");
    // The second filler's attempt reaches the full queue and hangs like the client's will.
    QTest::qWait(5);
}

void FakeTestServer::setReply(const QByteArray& reply, int afterLines)
{
    m_reply = reply;
    m_hasReply = true;
    m_afterLines = afterLines;
}

QByteArray FakeTestServer::testReply(const QByteArray& name, const QByteArray& bytes)
{
    return "YES\r\n" + name + "\r\n" + QByteArray::number(bytes.size()) + "\r\n" + bytes;
}

int FakeTestServer::closedCount() const
{
    int count = 0;
    for (const Connection* c : m_connections)
        count += c->closed ? 1 : 0;
    return count;
}

bool FakeTestServer::waitForClosed(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return closedCount() >= count; }, timeoutMs);
}

void FakeTestServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto* c = new Connection;
        c->socket = socket;
        socket->setParent(this);
        m_connections.append(c);
        connect(socket, &QTcpSocket::readyRead, this, [this, c] { onReadyRead(*c); });
        connect(socket, &QTcpSocket::disconnected, this, [c] {
            c->received += c->socket->readAll();
            c->closed = true;
        });
        maybeReply(*c);
    }
}

void FakeTestServer::onReadyRead(Connection& c)
{
    c.received += c.socket->readAll();
    maybeReply(c);
}

void FakeTestServer::maybeReply(Connection& c)
{
    if (!m_hasReply || c.replied || c.received.count('\n') < m_afterLines)
        return;
    c.replied = true;
    if (m_dripMs > 0) {
        dripNext(c);
        return;
    }
    c.socket->write(m_reply);
    replyDone(c);
}

void FakeTestServer::dripNext(Connection& c)
{
    if (c.closed || c.socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (c.dripPos >= m_reply.size()) {
        replyDone(c);
        return;
    }
    c.socket->write(m_reply.mid(c.dripPos, 1));
    ++c.dripPos;
    QTimer::singleShot(m_dripMs, this, [this, &c] { dripNext(c); });
}

void FakeTestServer::replyDone(Connection& c)
{
    if (!m_closeAfterReply)
        return;
    c.socket->disconnectFromHost();
}

} // namespace kvizor::testing
