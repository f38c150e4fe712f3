#pragma once

#include "SharedResultFile.h"

#include <QString>

#include <functional>
#include <list>
#include <memory>

class QObject;

namespace kvizor {

// Writes of shared result files that never hold up the caller's thread while another program
// keeps a file locked. The lock is tried once at once, so the usual write (the lock free) is
// made as WriteSharedFile makes it, before Start returns; only a busy lock sends the wait and
// the write to a thread of their own, and the caller hears of their end from its event loop.
// Used from the thread that made it.
class SharedFileWriter
{
public:
    using Finished = std::function<void(const SharedWriteRoute& route)>;

    SharedFileWriter();
    // Abandons every wait under way and waits for the writes that hold their lock, so no file
    // is left half-written; their finished is not called.
    ~SharedFileWriter();
    SharedFileWriter(const SharedFileWriter&) = delete;
    SharedFileWriter& operator=(const SharedFileWriter&) = delete;

    // Writes as WriteSharedFile does and calls finished once: before returning when the
    // target's lock was free, else later from this thread's event loop. write may run on
    // another thread, so it must use only what it holds (bytes made beforehand, paths).
    void Start(const QString& target, const SharedWriteOptions& options, SharedFileWrite write,
               Finished finished);
    // Cuts short the waits for a lock under way; a write that holds its lock goes on. An
    // abandoned wait stays abandoned.
    void EndWaits(LockWaitEnd how);
    // A write is waiting for its lock, or writing, on its own thread.
    bool Busy() const { return !m_jobs.empty(); }

private:
    struct Job;
    void finish(const Job* job);

    // Receives the ends of the writes on the writer's thread; pending ones go with it.
    std::unique_ptr<QObject> m_context;
    std::list<std::unique_ptr<Job>> m_jobs;
};

} // namespace kvizor
