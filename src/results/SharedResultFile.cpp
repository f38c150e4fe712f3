#include "SharedResultFile.h"

#include "config/ProgramFolder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>

#include <algorithm>

namespace kvizor {
namespace {

using std::chrono::milliseconds;

// A lock is taken over when its program is gone (same computer) or, from another computer,
// when it is older than this. The holder keeps a lock of the operating system on the lock
// file as well, and a lock that is still held that way is never removed, so a long write on
// a slow share is not broken where the share supports locks.
constexpr milliseconds kStaleLockAge{30000};

enum class LockResult
{
    Locked,
    // Another program holds it for longer than the wait (or the wait was cut short).
    Busy,
    // The lock file cannot be made (missing or read-only folder).
    Impossible,
    // The wait was abandoned.
    Abandoned,
};

LockWaitEnd waitEnd(const SharedWriteOptions& options)
{
    return options.WaitEnd ? options.WaitEnd() : LockWaitEnd::None;
}

// Polls at most 20 ms apart: holders keep the lock for milliseconds, while QLockFile's own
// wait sleeps up to 5 s between tries and so loses whole seconds to every waiter. The same
// pause bounds how late a wait notices that it was cut short.
LockResult acquire(QLockFile& lock, milliseconds wait, const SharedWriteOptions& options)
{
    lock.setStaleLockTime(kStaleLockAge);
    const QDeadlineTimer deadline(wait);
    milliseconds pause{2};
    for (;;) {
        if (lock.tryLock(0))
            return LockResult::Locked;
        if (lock.error() != QLockFile::LockFailedError)
            return LockResult::Impossible;
        switch (waitEnd(options)) {
        case LockWaitEnd::None:
            break;
        case LockWaitEnd::Divert:
            return LockResult::Busy;
        case LockWaitEnd::Abandon:
            return LockResult::Abandoned;
        }
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return LockResult::Busy;
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(pause.count(), left)));
        pause = std::min(pause * 2, milliseconds{20});
    }
}

QString lockPath(const QString& path)
{
    return path + QStringLiteral(".lock");
}

// Runs write on path under its lock; Busy or Abandoned, without writing, when the lock was
// not had.
LockResult writeLocked(const QString& path, milliseconds wait, const SharedWriteOptions& options,
                       const SharedFileWrite& write)
{
    QLockFile lock(lockPath(path));
    const LockResult got = acquire(lock, wait, options);
    if (got == LockResult::Busy || got == LockResult::Abandoned)
        return got;
    if (got == LockResult::Locked) {
        // Users of other accounts on other workstations may have to take over a lock left by
        // a crash.
        QFile::setPermissions(lockPath(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                  QFileDevice::ReadOther | QFileDevice::WriteOther);
    }
    write(path);
    return got;
}

// A name no other program uses: this process and this moment.
QString uniqueName(const QString& fileName)
{
    const QFileInfo info(fileName);
    QString name = info.completeBaseName() + QLatin1Char('-') +
                   QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmsszzz")) +
                   QLatin1Char('-') + QString::number(QCoreApplication::applicationPid());
    if (!info.suffix().isEmpty())
        name += QLatin1Char('.') + info.suffix();
    return name;
}

QString canonicalFolderOf(const QString& path)
{
    const QString folder = QFileInfo(path).absolutePath();
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(folder) : canonical;
}

} // namespace

SharedWriteRoute WriteSharedFile(const QString& target, const SharedWriteOptions& options,
                                 const SharedFileWrite& write)
{
    LockResult got = writeLocked(target, options.LockWait, options, write);
    if (got == LockResult::Abandoned)
        return {target, false, true};
    if (got != LockResult::Busy)
        return {target, false};

    const QString folder = options.FallbackFolder.isEmpty() ? UserDataFolder() : options.FallbackFolder;
    const QString fileName = QFileInfo(target).fileName();
    const QString fallback = QDir(folder).filePath(fileName);
    const bool sameFile = canonicalFolderOf(fallback) == canonicalFolderOf(target);
    if (!sameFile) {
        got = writeLocked(fallback, options.LockWait, options, write);
        if (got == LockResult::Abandoned)
            return {target, false, true};
        if (got != LockResult::Busy)
            return {fallback, true};
    }
    const QString unique = QDir(folder).filePath(uniqueName(fileName));
    write(unique);
    return {unique, true};
}

std::optional<SharedWriteRoute> TryWriteSharedFile(const QString& target, const SharedFileWrite& write)
{
    if (writeLocked(target, milliseconds{0}, {}, write) == LockResult::Busy)
        return std::nullopt;
    return SharedWriteRoute{target, false};
}

QString SharedFileDivertedMessage(const QString& target, const QString& writtenTo)
{
    return QStringLiteral("Файл %1 занят другой программой.\nРезультат сохранен в файл %2.")
        .arg(QDir::toNativeSeparators(target), QDir::toNativeSeparators(writtenTo));
}

} // namespace kvizor
