#pragma once

#include "FileRunJournal.h"
#include "JournalReader.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace kvizor {

struct InterruptedRun
{
    QString Path;
    // Read without the test's bytes; the record names the test (TestTitle, TestFileName),
    // the examinee (UserName, UserGroup) and the start (StartTime).
    JournalRun Run;
    bool TailCut = false;
};

// A journal that could not be offered for resuming.
struct JournalProblem
{
    QString Path;
    // Where a damaged journal was put aside; empty when it was left in place (unreadable).
    QString SetAsidePath;
    // For the result log.
    QString Problem;
};

struct JournalListing
{
    // Oldest start first.
    QList<InterruptedRun> Runs;
    QList<JournalProblem> Problems;
};

// The folder of this user's run journals.
class JournalStore
{
public:
    // now: local time for the names of set-aside journals (tests fix it).
    explicit JournalStore(QString folder = DefaultFolder(), std::function<QDateTime()> now = {});

    // "journal" in the per-user data folder.
    static QString DefaultFolder();
    const QString& Folder() const { return m_folder; }

    // A journal for the next run, in this folder.
    std::unique_ptr<FileRunJournal> NewJournal() const;

    // The interrupted runs. A damaged journal is set aside and reported, an unreadable one
    // reported, an empty one (nothing of a run in it) removed, and one that a running program
    // holds left alone.
    JournalListing ListInterrupted() const;

    // Reads a journal again, with the server test's bytes, to resume it. A damaged journal is
    // set aside on the way (problem says where and why).
    JournalReadResult ReadForResume(const QString& path, JournalProblem* problem = nullptr) const;

    // Renames path beside itself with ".damaged-<date-time>" (never deleted); the new path,
    // or empty when it could not be renamed.
    QString SetAside(const QString& path) const;

private:
    // Reads one journal under a shared lock; busy when a running program holds it.
    JournalReadResult read(const QString& path, bool withTestBytes, bool* busy) const;
    JournalProblem problemOf(const QString& path, const JournalReadResult& result) const;

    QString m_folder;
    std::function<QDateTime()> m_now;
};

} // namespace kvizor
