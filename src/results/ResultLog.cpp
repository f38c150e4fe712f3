#include "ResultLog.h"

#include "common/Cp1251.h"
#include "config/Config.h"
#include "config/ProgramFolder.h"
#include "ResultTest.h"
#include "ResultTexts.h"
#include "SharedFileWriter.h"

#include <QDir>
#include <QFile>

#include <memory>

namespace kvizor {

QString ResultLogPath(const TConfig& config)
{
    if (!config.DirForResult.isEmpty())
        return ResultLogPath(config, {});
    return ResultLogPath(config, ProgramFolder());
}

QString ResultLogPath(const TConfig& config, const QString& programFolder)
{
    const QString folder = config.DirForResult.isEmpty() ? programFolder : config.DirForResult;
    if (folder.isEmpty())
        return config.ResultFileName;
    // A folder typed with its trailing separator does not get a second one.
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator()))
        return folder + config.ResultFileName;
    return folder + QLatin1Char('/') + config.ResultFileName;
}

QByteArray LogBytes(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += cp1251::encode(line);
        bytes += "\r\n";
    }
    return bytes;
}

bool AppendLogBytes(const QString& path, const QByteArray& bytes, QString* error)
{
    QFile file(path);
    // Append never creates folders: a result folder that is gone is reported, not rebuilt
    // somewhere the supervisor does not look.
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Append);
    if (ok)
        ok = file.write(bytes) == bytes.size() && file.flush();
    if (file.isOpen())
        file.close();
    if (ok && file.error() != QFileDevice::NoError)
        ok = false;
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

bool AppendLogLines(const QString& path, const QStringList& lines, QString* error)
{
    return AppendLogBytes(path, LogBytes(lines), error);
}

namespace {

// The append of lines, encoded here; it fills result wherever it runs.
SharedFileWrite logWrite(const QStringList& lines, const std::shared_ptr<LogWriteResult>& result)
{
    return [bytes = LogBytes(lines), result](const QString& target) {
        result->Written = AppendLogBytes(target, bytes, &result->Error);
    };
}

} // namespace

LogWriteResult AppendSharedLogLines(const QString& path, const QStringList& lines,
                                    const SharedWriteOptions& options)
{
    const auto result = std::make_shared<LogWriteResult>();
    result->Route = WriteSharedFile(path, options, logWrite(lines, result));
    return *result;
}

void AppendSharedLogLines(SharedFileWriter& writer, const QString& path, const QStringList& lines,
                          const SharedWriteOptions& options,
                          const std::function<void(const LogWriteResult&)>& finished)
{
    const auto result = std::make_shared<LogWriteResult>();
    writer.Start(path, options, logWrite(lines, result), [result, finished](const SharedWriteRoute& route) {
        result->Route = route;
        finished(*result);
    });
}

namespace {

bool appendToLog(const TConfig& config, const QStringList& lines, const SharedWriteOptions& options,
                 QString* error)
{
    if (!config.IsSaveResult)
        return true;
    const LogWriteResult written = AppendSharedLogLines(ResultLogPath(config), lines, options);
    if (!written.Written && error)
        *error = written.Error;
    return written.Written;
}

} // namespace

bool WriteLogLine(const TConfig& config, const QString& line, QString* error)
{
    SharedWriteOptions options;
    options.LockWait = kEventLineLockWait;
    return appendToLog(config, {line}, options, error);
}

bool SaveResultLog(const TConfig& config, const TResultTest& result, const QDateTime& now, QString* error)
{
    return appendToLog(config, ResultLogRecord(result, now), {}, error);
}

} // namespace kvizor
