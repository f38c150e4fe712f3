#include "JournalStore.h"

#include "JournalFiles.h"
#include "JournalFormat.h"

#include "config/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace kvizor {

namespace files = journal::files;

JournalStore::JournalStore(QString folder, std::function<QDateTime()> now)
    : m_folder(std::move(folder)), m_now(now ? std::move(now) : [] { return QDateTime::currentDateTime(); })
{
}

QString JournalStore::DefaultFolder()
{
    return QDir(UserDataFolder()).filePath(journal::kFolderName);
}

std::unique_ptr<FileRunJournal> JournalStore::NewJournal() const
{
    return std::make_unique<FileRunJournal>(m_folder);
}

JournalReadResult JournalStore::read(const QString& path, bool withTestBytes, bool* busy) const
{
    QString error;
    const int fd = files::OpenForReading(path, busy, &error);
    if (fd < 0) {
        JournalReadResult result;
        result.Status = JournalStatus::Unreadable;
        result.Problem = QStringLiteral("журнал не читается: %1").arg(error);
        return result;
    }
    QFile file;
    JournalReadResult result;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
        JournalReadOptions options;
        options.WithTestBytes = withTestBytes;
        result = ReadJournal(file, options);
        result.Run.Tail.Path = path;
    } else {
        result.Status = JournalStatus::Unreadable;
        result.Problem = QStringLiteral("журнал не читается: %1").arg(file.errorString());
    }
    file.close();
    files::Close(fd);
    return result;
}

QString JournalStore::SetAside(const QString& path) const
{
    const QString stem = path + journal::kSetAsideInfix + m_now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target = stem;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = stem + QStringLiteral("-%1").arg(n);
    if (!QFile::rename(path, target))
        return QString();
    files::SyncFolder(QFileInfo(path).absolutePath());
    return target;
}

JournalProblem JournalStore::problemOf(const QString& path, const JournalReadResult& result) const
{
    JournalProblem problem{path, QString(), result.Problem};
    if (result.Status == JournalStatus::Damaged)
        problem.SetAsidePath = SetAside(path);
    return problem;
}

JournalListing JournalStore::ListInterrupted() const
{
    JournalListing listing;
    const QDir folder(m_folder);
    const QStringList names =
        folder.entryList({QLatin1Char('*') + journal::kFileSuffix}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        const QString path = folder.filePath(name);
        bool busy = false;
        const JournalReadResult result = read(path, false, &busy);
        if (busy)
            continue;
        switch (result.Status) {
        case JournalStatus::Ok:
            listing.Runs.append(InterruptedRun{path, result.Run, result.TailCut});
            break;
        case JournalStatus::Empty:
            // Cut before the run's beginning was complete: it holds nothing to keep.
            QFile::remove(path);
            break;
        case JournalStatus::Damaged:
        case JournalStatus::Unreadable:
            listing.Problems.append(problemOf(path, result));
            break;
        }
    }
    std::stable_sort(listing.Runs.begin(), listing.Runs.end(),
                     [](const InterruptedRun& a, const InterruptedRun& b) {
                         return a.Run.Record.StartTime < b.Run.Record.StartTime;
                     });
    return listing;
}

JournalReadResult JournalStore::ReadForResume(const QString& path, JournalProblem* problem) const
{
    JournalReadResult result = read(path, true, nullptr);
    if (problem != nullptr && result.Status != JournalStatus::Ok)
        *problem = problemOf(path, result);
    return result;
}

} // namespace kvizor
