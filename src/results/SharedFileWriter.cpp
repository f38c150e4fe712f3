#include "SharedFileWriter.h"

#include "config/ProgramFolder.h"

#include <QObject>

#include <algorithm>
#include <atomic>
#include <thread>

namespace kvizor {

struct SharedFileWriter::Job
{
    std::atomic<LockWaitEnd> End{LockWaitEnd::None};
    // Set by the job's thread; read once it has been joined.
    SharedWriteRoute Route;
    Finished Done;
    std::thread Thread;
};

SharedFileWriter::SharedFileWriter() : m_context(std::make_unique<QObject>()) {}

SharedFileWriter::~SharedFileWriter()
{
    for (const std::unique_ptr<Job>& job : m_jobs)
        job->End = LockWaitEnd::Abandon;
    for (const std::unique_ptr<Job>& job : m_jobs)
        job->Thread.join();
}

void SharedFileWriter::Start(const QString& target, const SharedWriteOptions& options, SharedFileWrite write,
                             Finished finished)
{
    if (const std::optional<SharedWriteRoute> route = TryWriteSharedFile(target, write)) {
        finished(*route);
        return;
    }
    auto job = std::make_unique<Job>();
    Job* const raw = job.get();
    raw->Done = std::move(finished);
    SharedWriteOptions waiting = options;
    waiting.WaitEnd = [raw] { return raw->End.load(); };
    // Settled here: the per-user folder is looked up through the application's names.
    if (waiting.FallbackFolder.isEmpty())
        waiting.FallbackFolder = UserDataFolder();
    m_jobs.push_back(std::move(job));
    QObject* const context = m_context.get();
    raw->Thread =
        std::thread([this, raw, context, target, waiting = std::move(waiting), write = std::move(write)] {
            try {
                raw->Route = WriteSharedFile(target, waiting, write);
            } catch (...) {
                // A write that did not run keeps its own failure.
                raw->Route = SharedWriteRoute{target, false};
            }
            QMetaObject::invokeMethod(
                context, [this, raw] { finish(raw); }, Qt::QueuedConnection);
        });
}

void SharedFileWriter::EndWaits(LockWaitEnd how)
{
    for (const std::unique_ptr<Job>& job : m_jobs) {
        if (how == LockWaitEnd::Abandon || job->End == LockWaitEnd::None)
            job->End = how;
    }
}

void SharedFileWriter::finish(const Job* job)
{
    const auto it = std::find_if(m_jobs.begin(), m_jobs.end(),
                                 [job](const std::unique_ptr<Job>& j) { return j.get() == job; });
    if (it == m_jobs.end())
        return;
    const std::unique_ptr<Job> done = std::move(*it);
    m_jobs.erase(it);
    done->Thread.join();
    done->Done(done->Route);
}

} // namespace kvizor
