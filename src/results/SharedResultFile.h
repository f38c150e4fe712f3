#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <optional>

namespace kvizor {

// How long a record waits for the lock of its result file before it is written elsewhere.
inline constexpr std::chrono::milliseconds kSharedFileLockWait{10000};

// How a wait for a busy lock is cut short.
enum class LockWaitEnd
{
    // Keep waiting.
    None,
    // Stop waiting and write to the fallback folder now, as when the wait has run out.
    Divert,
    // Stop waiting and write nothing: the caller still owes the record.
    Abandon,
};

struct SharedWriteOptions
{
    std::chrono::milliseconds LockWait = kSharedFileLockWait;
    // Where a record goes when its file stays locked; the per-user data folder when empty.
    QString FallbackFolder;
    // Asked between tries while a lock is busy, on the thread that waits; never when empty.
    std::function<LockWaitEnd()> WaitEnd;
};

// Where a record was written (or its writing tried).
struct SharedWriteRoute
{
    QString Path;
    // The target stayed locked, so Path is a file in the fallback folder.
    bool Diverted = false;
    // The wait was abandoned (LockWaitEnd::Abandon): nothing was written.
    bool Abandoned = false;
};

// The work of a write on the file at path, run while its lock is held.
using SharedFileWrite = std::function<void(const QString& path)>;

// Calls write with the path of the result file target while holding the lock file beside it
// (target + ".lock"), so programs on several workstations sharing a folder read, change and
// write the file one at a time. When the lock cannot be had within LockWait, write is called
// for the same name in the fallback folder under that file's lock instead, and when that is
// the same file or also locked, for a new name there; the record is always kept somewhere.
// When no lock file can be made at all (a folder that is missing or read-only), write is
// called for target without a lock and reports the failure itself.
SharedWriteRoute WriteSharedFile(const QString& target, const SharedWriteOptions& options,
                                 const SharedFileWrite& write);

// The same without waiting: write is called for target when its lock is free at once (or no
// lock can be made); nothing happens, and nullopt comes back, when another program holds it.
std::optional<SharedWriteRoute> TryWriteSharedFile(const QString& target, const SharedFileWrite& write);

// What the user is told when a record went to another file than its own.
QString SharedFileDivertedMessage(const QString& target, const QString& writtenTo);

} // namespace kvizor
