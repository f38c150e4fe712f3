// Stands in for one workstation finishing runs: appends <count> records tagged <tag> to the
// protected result file and the result log in <folder>, as the program does at the end of a
// run. Exits with 0 when every record went to its own files.
// Arguments: <folder> <tag> <count>

#include "results/ProtectedResultFile.h"
#include "results/ResultLog.h"
#include "results/ResultTest.h"
#include "results/ResultTexts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>

using namespace kvizor;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4)
        return 3;
    const QString folder = args.at(1);
    const QString tag = args.at(2);
    const int count = args.at(3).toInt();

    SharedWriteOptions shared;
    // Waiting is not what is tested here: no record may leave its files.
    shared.LockWait = std::chrono::minutes(2);
    shared.FallbackFolder = QDir(folder).filePath(QStringLiteral("fallback"));
    ProtectionSaveOptions options;
    options.Shared = shared;
    const QString log = QDir(folder).filePath(QStringLiteral("KvizorStudent_Result.txt"));
    for (int k = 0; k < count; ++k) {
        TResultTest record(3);
        record.UserName = QStringLiteral("%1-%2").arg(tag).arg(k);
        record.TestTitle = QStringLiteral("Общий тест");
        record.TaskResults = {1, 0, -1};
        record.EndReason = 1;
        if (SaveProtectionResult(folder, kDefaultProtectionResultFileName, record, options).Status !=
            ProtectionSaveStatus::Saved)
            return 1;
        const LogWriteResult written =
            AppendSharedLogLines(log, ResultLogRecord(record, QDateTime::currentDateTime()), shared);
        if (!written.Written || written.Route.Diverted)
            return 2;
    }
    return 0;
}
