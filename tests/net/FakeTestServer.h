#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

namespace kvizor::testing {

// An in-process test server on 127.0.0.1. It records every byte each connection
// sends and answers with a scripted reply, which it can also spoil: refuse
// connections, stall them, drip the reply one byte at a time, close after a partial
// reply or never answer at all.
class FakeTestServer : public QObject
{
    Q_OBJECT

public:
    explicit FakeTestServer(QObject* parent = nullptr);
    ~FakeTestServer() override;

    // Listens on a free port (the same one again after setRefusing(false)).
    bool start();
    quint16 port() const { return m_port; }

    // While refusing, nothing listens on the port, so connection attempts are refused.
    void setRefusing(bool refusing);
    // While stalling, the port's queue of connections waiting to be accepted is kept
    // full, so a connection attempt hangs until the client gives up, as with a host that
    // does not answer. A client whose attempt is still under way when stalling ends
    // gets through on its next try (about a second later).
    void setStalling(bool stalling);

    // Sends reply once the client has sent afterLines complete lines (0: on connect).
    // No reply means the server never answers.
    void setReply(const QByteArray& reply, int afterLines = 2);
    // Sends the reply one byte per interval instead of at once.
    void setDripInterval(int milliseconds) { m_dripMs = milliseconds; }
    // Closes the connection as soon as the reply is out.
    void setCloseAfterReply(bool close) { m_closeAfterReply = close; }

    // GETTEST answer: "YES", the name line and the block.
    static QByteArray testReply(const QByteArray& name, const QByteArray& bytes);

    int connectionCount() const { return static_cast<int>(m_connections.size()); }
    // Everything connection i has sent so far.
    QByteArray received(int i) const { return m_connections.at(i)->received; }
    int closedCount() const;
    // Processes events until count connections have been closed by the client (or by
    // the server itself) and all their bytes were read.
    bool waitForClosed(int count, int timeoutMs = 5000);

private:
    struct Connection
    {
        QTcpSocket* socket = nullptr;
        QByteArray received;
        bool replied = false;
        bool closed = false;
        qsizetype dripPos = 0;
    };

    void onNewConnection();
    void onReadyRead(Connection& c);
    void maybeReply(Connection& c);
    void dripNext(Connection& c);
    void replyDone(Connection& c);

    QTcpServer m_server;
    quint16 m_port = 0;
    // The stalling listener and the connections that fill its queue.
    int m_stallFd = -1;
    QList<QTcpSocket*> m_stallFillers;
    QByteArray m_reply;
    bool m_hasReply = false;
    int m_afterLines = 2;
    int m_dripMs = 0;
    bool m_closeAfterReply = false;
    QList<Connection*> m_connections;
};

} // namespace kvizor::testing
