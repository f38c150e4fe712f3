#include "JournalFiles.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace kvizor::journal::files {
namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

bool fail(QString* error)
{
    if (error != nullptr)
        *error = LastError();
    return false;
}

// Takes the lock without waiting; closes fd and gives -1 when it cannot be had.
int locked(int fd, int operation, bool* busy, QString* error)
{
    if (fd < 0) {
        fail(error);
        return -1;
    }
    if (::flock(fd, operation | LOCK_NB) == 0)
        return fd;
    const int code = errno;
    if (busy != nullptr)
        *busy = code == EWOULDBLOCK;
    if (error != nullptr)
        *error = code == EWOULDBLOCK ? QStringLiteral("журнал открыт другой копией программы") : LastError();
    ::close(fd);
    return -1;
}

} // namespace

QString LastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool MakePrivateFolder(const QString& folder, QString* error)
{
    if (!QDir().mkpath(folder)) {
        if (error != nullptr)
            *error = QStringLiteral("не удаётся создать папку %1").arg(folder);
        return false;
    }
    if (::chmod(native(folder).constData(), S_IRWXU) != 0)
        return fail(error);
    return true;
}

int CreateExclusive(const QString& path, QString* error)
{
    const int fd = ::open(native(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    return locked(fd, LOCK_EX, nullptr, error);
}

int OpenForAppend(const QString& path, QString* error)
{
    const int fd = ::open(native(path).constData(), O_WRONLY | O_APPEND | O_CLOEXEC);
    return locked(fd, LOCK_EX, nullptr, error);
}

int OpenForReading(const QString& path, bool* busy, QString* error)
{
    if (busy != nullptr)
        *busy = false;
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    return locked(fd, LOCK_SH, busy, error);
}

bool Write(int fd, const QList<QByteArrayView>& pieces, bool durable, QString* error)
{
    std::vector<iovec> chunks;
    chunks.reserve(static_cast<std::size_t>(pieces.size()));
    for (const QByteArrayView piece : pieces) {
        if (!piece.isEmpty())
            chunks.push_back(iovec{const_cast<char*>(piece.data()), static_cast<std::size_t>(piece.size())});
    }
    std::size_t first = 0;
    while (first < chunks.size()) {
        const int count = static_cast<int>(std::min<std::size_t>(chunks.size() - first, IOV_MAX));
        const ssize_t written = ::writev(fd, chunks.data() + first, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail(error);
        }
        auto left = static_cast<std::size_t>(written);
        while (first < chunks.size() && left >= chunks[first].iov_len)
            left -= chunks[first++].iov_len;
        if (left > 0) {
            chunks[first].iov_base = static_cast<char*>(chunks[first].iov_base) + left;
            chunks[first].iov_len -= left;
        }
    }
    while (durable && ::fdatasync(fd) != 0) {
        if (errno != EINTR)
            return fail(error);
    }
    return true;
}

bool TruncateDurably(int fd, qint64 length, QString* error)
{
    if (::ftruncate(fd, length) != 0)
        return fail(error);
    while (::fdatasync(fd) != 0) {
        if (errno != EINTR)
            return fail(error);
    }
    return true;
}

qint64 FileSize(int fd)
{
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0)
        return -1;
    return info.st_size;
}

bool SyncFolder(const QString& folder)
{
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

void Close(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

} // namespace kvizor::journal::files
