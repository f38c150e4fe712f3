#pragma once

#include "SharedResultFile.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace kvizor {

struct TConfig;
class TResultTest;

inline constexpr char16_t kResultLogErrorText[] = u"Ошибка записи в файл результатов.";
inline constexpr char16_t kResultLogErrorCaption[] = u"Внимание!";

// Where the result log lives: DirForResult + separator + ResultFileName when a result
// folder is set, else ResultFileName in the program folder.
QString ResultLogPath(const TConfig& config);
QString ResultLogPath(const TConfig& config, const QString& programFolder);

// Appends the lines in Windows-1251, each ending with CR LF; the file is created when
// missing, a missing folder is a failure and is not created. The file is opened, written,
// flushed and closed on every call. Returns false with the system's reason on failure.
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

// The program's one routine for an event line of the log (start, begin of a run, close):
// appends the complete line (see LogEventLine). Does nothing and succeeds when
// IsSaveResult is clear.
bool WriteLogLine(const TConfig& config, const QString& line, QString* error = nullptr);

// Appends a run's 25-line record when IsSaveResult is set.
bool SaveResultLog(const TConfig& config, const TResultTest& result,
                   const QDateTime& now = QDateTime::currentDateTime(), QString* error = nullptr);

} // namespace kvizor
