#include "UnixSocket.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kvizor::unixsocket {

namespace {

bool makeAddress(const QString& path, sockaddr_un& address)
{
    const QByteArray native = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (native.isEmpty() || native.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, native.constData(), std::size_t(native.size()));
    return true;
}

int newSocket()
{
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Polls one descriptor for events until the deadline; false on time-out.
bool waitFor(int fd, short events, QDeadlineTimer deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        const qint64 left = deadline.remainingTime();
        const int r = ::poll(&p, 1, left < 0 ? -1 : int(qMin<qint64>(left, 60000)));
        if (r > 0)
            return true;
        if (r < 0 && errno != EINTR)
            return false;
        if (deadline.hasExpired())
            return false;
    }
}

} // namespace

int Listen(const QString& path, QString* error)
{
    sockaddr_un address;
    if (!makeAddress(path, address)) {
        *error = QStringLiteral("слишком длинный путь");
        return -1;
    }
    const int fd = newSocket();
    if (fd < 0) {
        *error = systemError();
        return -1;
    }
    const bool ok = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                    ::chmod(address.sun_path, S_IRUSR | S_IWUSR) == 0 && ::listen(fd, 16) == 0;
    if (!ok) {
        *error = systemError();
        ::close(fd);
        return -1;
    }
    return fd;
}

int AcceptSameUser(int listening)
{
    for (;;) {
        const int fd = ::accept4(listening, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return -1;
        }
        ucred peer{};
        socklen_t size = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid())
            return fd;
        ::close(fd);
    }
}

int Connect(const QString& path, QDeadlineTimer deadline)
{
    sockaddr_un address;
    if (!makeAddress(path, address))
        return -1;
    const int fd = newSocket();
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return fd;
    // A full backlog: the connection completes once the listener accepts.
    if ((errno == EAGAIN || errno == EINPROGRESS) && waitFor(fd, POLLOUT, deadline)) {
        int failure = 0;
        socklen_t size = sizeof failure;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &size) == 0 && failure == 0)
            return fd;
    }
    ::close(fd);
    return -1;
}

bool WriteAll(int fd, const QByteArray& bytes, QDeadlineTimer deadline)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::send(fd, bytes.constData() + done, std::size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN && waitFor(fd, POLLOUT, deadline))
            continue;
        return false;
    }
    return true;
}

bool WaitReadable(int fd, QDeadlineTimer deadline)
{
    return waitFor(fd, POLLIN, deadline);
}

QByteArray ReadAvailable(int fd, bool* closed)
{
    // Bounded per call; the rest waits for the next call.
    constexpr qsizetype MaxPerCall = 128 * 1024;
    QByteArray out;
    *closed = false;
    char buffer[4096];
    while (out.size() < MaxPerCall) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            out.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // End of stream, or an error other than "nothing more for now".
        *closed = n == 0 || errno != EAGAIN;
        return out;
    }
    return out;
}

void Close(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

void Remove(const QString& path)
{
    ::unlink(QFile::encodeName(path).constData());
}

} // namespace kvizor::unixsocket
