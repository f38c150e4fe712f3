#pragma once

#include "SharedResultFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

namespace kvizor {

struct TConfig;
class SharedFileWriter;
class TResultTest;

inline constexpr char16_t kResultLogErrorText[] = u"Ошибка записи в файл результатов.";
inline constexpr char16_t kResultLogErrorCaption[] = u"Внимание!";

// Where the result log lives: DirForResult + separator + ResultFileName when a result
// folder is set, else ResultFileName in the program folder.
QString ResultLogPath(const TConfig& config);
QString ResultLogPath(const TConfig& config, const QString& programFolder);

// How long an event line (start, begin of a run, close) waits for the log's lock: it is
// written on the caller's thread, and the holders of the log's lock keep it for milliseconds.
inline constexpr std::chrono::milliseconds kEventLineLockWait{1000};

// The lines as the log holds them: Windows-1251, each ending with CR LF.
QByteArray LogBytes(const QStringList& lines);

// Appends bytes to the file; it is created when missing, a missing folder is a failure and is
// not created. The file is opened, written, flushed and closed on every call. Returns false
// with the system's reason on failure.
bool AppendLogBytes(const QString& path, const QByteArray& bytes, QString* error = nullptr);
// AppendLogBytes of LogBytes(lines).
bool AppendLogLines(const QString& path, const QStringList& lines, QString* error = nullptr);

struct LogWriteResult
{
    // The lines are in a file: their own, or the one Route names.
    bool Written = false;
    SharedWriteRoute Route;
    // The system's reason when nothing was written.
    QString Error;
};

// AppendLogLines holding the log's lock, so records of programs sharing the folder never mix
// or get lost; a log locked for too long sends the lines to the fallback folder (see
// WriteSharedFile).
LogWriteResult AppendSharedLogLines(const QString& path, const QStringList& lines,
                                    const SharedWriteOptions& options = {});
// The same through writer: the lines are appended before this returns when the log's lock is
// free, else the wait goes on writer's thread and finished comes from the event loop.
void AppendSharedLogLines(SharedFileWriter& writer, const QString& path, const QStringList& lines,
                          const SharedWriteOptions& options,
                          const std::function<void(const LogWriteResult&)>& finished);

// The program's one routine for an event line of the log (start, begin of a run, close):
// appends the complete line (see LogEventLine), waiting at most kEventLineLockWait for the
// lock. Does nothing and succeeds when IsSaveResult is clear.
bool WriteLogLine(const TConfig& config, const QString& line, QString* error = nullptr);

// Appends a run's 25-line record when IsSaveResult is set.
bool SaveResultLog(const TConfig& config, const TResultTest& result,
                   const QDateTime& now = QDateTime::currentDateTime(), QString* error = nullptr);

} // namespace kvizor
