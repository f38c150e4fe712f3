#include "LocalSingleInstance.h"

#include "UnixSocket.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLockFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>
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
    while (!m_incoming.empty())
        drop(m_incoming.begin()->first);
    stopListening();
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
    const int probe = unixsocket::Connect(m_serverPath, QDeadlineTimer(1000));
    if (probe >= 0) {
        unixsocket::Close(probe);
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
    unixsocket::Remove(m_serverPath);
    QString error;
    m_listenFd = unixsocket::Listen(m_serverPath, &error);
    if (m_listenFd < 0) {
        m_errorString = QStringLiteral("Не удалось открыть канал %1: %2").arg(m_serverPath, error);
        return;
    }
    m_listenNotifier = new QSocketNotifier(m_listenFd, QSocketNotifier::Read, this);
    connect(m_listenNotifier, &QSocketNotifier::activated, this, &LocalSingleInstance::acceptConnections);
}

void LocalSingleInstance::stopListening()
{
    if (m_listenFd < 0)
        return;
    delete m_listenNotifier;
    m_listenNotifier = nullptr;
    unixsocket::Close(m_listenFd);
    m_listenFd = -1;
    unixsocket::Remove(m_serverPath);
}

bool LocalSingleInstance::isListening() const
{
    return m_listenFd >= 0;
}

void LocalSingleInstance::acceptConnections()
{
    for (int fd = unixsocket::AcceptSameUser(m_listenFd); fd >= 0;
         fd = unixsocket::AcceptSameUser(m_listenFd)) {
        Incoming& incoming = m_incoming[fd];
        incoming.notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(incoming.notifier, &QSocketNotifier::activated, this, [this, fd] { readFrom(fd); });
        incoming.timeout = new QTimer(this);
        incoming.timeout->setSingleShot(true);
        connect(incoming.timeout, &QTimer::timeout, this, [this, fd] { drop(fd); });
        incoming.timeout->start(IncomingTimeoutMs);
        readFrom(fd);
    }
}

void LocalSingleInstance::drop(int fd)
{
    const auto it = m_incoming.find(fd);
    if (it == m_incoming.end())
        return;
    // Deleted later: this may run from the notifier's own signal.
    // Both are silenced first: the descriptor number may be reused by the next connection.
    it->second.notifier->setEnabled(false);
    it->second.notifier->deleteLater();
    it->second.timeout->stop();
    it->second.timeout->deleteLater();
    unixsocket::Close(fd);
    m_incoming.erase(it);
}

void LocalSingleInstance::readFrom(int fd)
{
    const auto it = m_incoming.find(fd);
    if (it == m_incoming.end())
        return;
    Incoming& incoming = it->second;
    bool closed = false;
    const QByteArray bytes = unixsocket::ReadAvailable(fd, &closed);
    if (incoming.answered) {
        // The sender hangs up once it has read the answer; closing from this side could
        // discard the answer before it is read.
        if (closed)
            drop(fd);
        return;
    }
    switch (incoming.decoder.feed(bytes)) {
    case handoff::FrameDecoder::State::NeedMore:
        if (closed)
            drop(fd);
        return;
    case handoff::FrameDecoder::State::Invalid:
        drop(fd);
        return;
    case handoff::FrameDecoder::State::Complete: {
        const QString message = incoming.decoder.message();
        incoming.answered = true;
        unixsocket::WriteAll(fd, QByteArray(1, handoff::Ack), QDeadlineTimer(1000));
        if (closed)
            drop(fd);
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
    int fd = -1;
    for (;;) {
        fd = unixsocket::Connect(m_serverPath,
                                 QDeadlineTimer(std::clamp<qint64>(deadline.remainingTime(), 1, 500)));
        if (fd >= 0)
            break;
        if (deadline.hasExpired()) {
            m_errorString = QStringLiteral("Первый экземпляр программы не отвечает");
            return false;
        }
        QThread::msleep(50);
    }

    QByteArray answer;
    if (unixsocket::WriteAll(fd, frame, deadline)) {
        bool closed = false;
        while (answer.isEmpty() && !closed && unixsocket::WaitReadable(fd, deadline))
            answer = unixsocket::ReadAvailable(fd, &closed).left(1);
    }
    unixsocket::Close(fd);
    if (answer != QByteArray(1, handoff::Ack)) {
        m_errorString = QStringLiteral("Первый экземпляр программы не подтвердил получение");
        return false;
    }
    return true;
}

} // namespace kvizor
