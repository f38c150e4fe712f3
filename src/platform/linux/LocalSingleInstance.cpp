#include "LocalSingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <unistd.h>

namespace kvizor {

namespace {

// A connection that has not completed its frame by then is dropped, so a stuck client
// cannot hold resources of the first instance.
constexpr int IncomingTimeoutMs = 10000;

QString channelFolder(const QString& folder)
{
    if (!folder.isEmpty())
        return folder;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

} // namespace

QString CurrentUserId()
{
    return QString::number(::getuid());
}

std::unique_ptr<SingleInstance> SingleInstance::create()
{
    return std::make_unique<LocalSingleInstance>();
}

LocalSingleInstance::LocalSingleInstance(const QString& channel, const QString& folder, QObject* parent)
    : SingleInstance(parent)
{
    const QDir dir(channelFolder(folder));
    const QString name = channel + QLatin1Char('-') + CurrentUserId();
    m_serverPath = dir.absoluteFilePath(name);
    m_lockPath = dir.absoluteFilePath(name + QLatin1String(".lock"));
}

LocalSingleInstance::~LocalSingleInstance()
{
    // The socket goes before the lock, so whoever takes the lock next finds no live socket.
    delete m_server;
    m_server = nullptr;
    m_lock.reset();
}

SingleInstance::Role LocalSingleInstance::start()
{
    if (m_role)
        return *m_role;

    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // Never stale by age: only a lock whose process is gone (or a reboot) is taken over.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        listen();
        m_role = Role::First;
        return *m_role;
    }
    if (m_lock->error() == QLockFile::LockFailedError) {
        m_role = Role::Second;
        return *m_role;
    }

    // The lock cannot be made here (no folder, no rights). Ask the socket instead; when no
    // first instance answers, run alone rather than not at all.
    m_errorString = QStringLiteral("Не удалось создать файл блокировки %1").arg(m_lockPath);
    m_lock.reset();
    QLocalSocket probe;
    probe.connectToServer(m_serverPath);
    if (probe.waitForConnected(1000)) {
        probe.abort();
        m_role = Role::Second;
        return *m_role;
    }
    listen();
    m_role = Role::First;
    return *m_role;
}

void LocalSingleInstance::listen()
{
    // Holding the lock means no live instance owns a socket of this name: anything there is
    // left over from a crash.
    QLocalServer::removeServer(m_serverPath);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverPath)) {
        m_errorString =
            QStringLiteral("Не удалось открыть канал %1: %2").arg(m_serverPath, m_server->errorString());
        delete m_server;
        m_server = nullptr;
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, &LocalSingleInstance::acceptConnections);
}

bool LocalSingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

void LocalSingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        m_incoming.insert(socket, handoff::FrameDecoder());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_incoming.remove(socket); });
        QTimer::singleShot(IncomingTimeoutMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        readFrom(socket);
    }
}

void LocalSingleInstance::readFrom(QLocalSocket* socket)
{
    const auto it = m_incoming.find(socket);
    if (it == m_incoming.end())
        return;
    switch (it->feed(socket->readAll())) {
    case handoff::FrameDecoder::State::NeedMore:
        return;
    case handoff::FrameDecoder::State::Invalid:
        m_incoming.erase(it);
        socket->abort();
        socket->deleteLater();
        return;
    case handoff::FrameDecoder::State::Complete: {
        const QString message = it->message();
        m_incoming.erase(it);
        // The sender closes the connection once it has read the answer; closing from this
        // side could discard the answer before it is read.
        socket->write(&handoff::Ack, 1);
        socket->flush();
        deliver(message);
        return;
    }
    }
}

bool LocalSingleInstance::sendHandOff(const QString& message)
{
    if (m_role != Role::Second)
        return false; // a first instance would wait for its own answer
    const QByteArray frame = handoff::EncodeFrame(message);
    if (frame.size() > handoff::HeaderSize + static_cast<qsizetype>(handoff::MaxMessageBytes))
        return false;

    // Right after a simultaneous start the winner may hold the lock but not listen yet, so
    // keep knocking for a while.
    const QDeadlineTimer deadline(m_deliveryTimeout);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(m_serverPath);
        if (socket.waitForConnected(qMax<qint64>(1, qMin<qint64>(500, deadline.remainingTime()))))
            break;
        socket.abort();
        if (deadline.hasExpired()) {
            m_errorString = QStringLiteral("Первый экземпляр программы не отвечает");
            return false;
        }
        QThread::msleep(50);
    }

    socket.write(frame);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(qMax<qint64>(1, deadline.remainingTime())))
            break;
    }
    QByteArray answer;
    while (answer.isEmpty() && socket.state() == QLocalSocket::ConnectedState && !deadline.hasExpired()) {
        if (socket.waitForReadyRead(qMax<qint64>(1, deadline.remainingTime())))
            answer = socket.read(1);
    }
    if (answer.isEmpty())
        answer = socket.read(1);
    socket.abort();
    if (answer != QByteArray(1, handoff::Ack)) {
        m_errorString = QStringLiteral("Первый экземпляр программы не подтвердил получение");
        return false;
    }
    return true;
}

} // namespace kvizor
