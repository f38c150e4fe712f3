// Appending one run to protected result files that already hold 1,000 and 10,000 runs of
// 30 tasks each. Each append runs in a child process of its own, so the peak memory printed
// (VmHWM) is that of the append alone. Goal: under 1 s and 64 MiB for 10,000 runs.

#include "BenchMemory.h"

#include "results/ProtectedResultFile.h"
#include "results/ResultTest.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

using namespace kvizor;

namespace {

TResultTest sampleRun(int k)
{
    constexpr int tasks = 30;
    TResultTest r(tasks);
    r.UserName = QStringLiteral("Иванов Иван %1").arg(k);
    r.UserGroup = QStringLiteral("%1 А").arg(k % 11 + 1);
    r.ComputerName = QStringLiteral("CLASS-PC%1").arg(k % 30);
    r.ComputerUserName = QStringLiteral("student");
    r.StartTime = 45000 + k * 0.01;
    r.EndTime = r.StartTime + 0.02;
    r.ElapsedSeconds = 1200 + k % 600;
    r.TestDate = r.EndTime;
    r.TestTitle = QStringLiteral("Контрольная работа по алгебре, 9 класс");
    r.TestFileName = QStringLiteral("/home/teacher/Тесты/Алгебра-9.kvf");
    r.TestFileCRC = 0x9E3779B9u * static_cast<quint32>(k);
    r.TestUId = QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
    for (int i = 0; i < tasks; ++i) {
        r.TaskResults[i] = (k + i) % 3 == 0 ? 0 : 2;
        r.TaskSeconds[i] = 10 + (k * 7 + i * 13) % 90;
        r.TaskAnswers[i] =
            (i % 2) ? QStringLiteral("1-2;2-3;3-1;4-4;") : QStringLiteral("%1;").arg((k + i) % 5 + 1);
        r.TaskPenalties[i] = (i % 7 == 0) ? 1 : -1;
    }
    r.EndReason = erFinished;
    r.MarkValue = 4;
    r.MarkCount = 5;
    r.TaskCount = tasks;
    r.AskedCount = tasks;
    r.RightCount = 20;
    r.WrongCount = 10;
    r.MaxPoints = 60;
    r.Points = 40 - k % 5;
    return r;
}

// CPU time of this process, which a busy machine does not inflate the way it does wall time.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

int appendOnce(const QString& folder, const QString& name)
{
    const long before = static_cast<long>(benchStatusKiB("VmHWM:"));
    const double cpuBefore = cpuMs();
    QElapsedTimer timer;
    timer.start();
    const ProtectionSaveStatus status = SaveProtectionResult(folder, name, sampleRun(-1)).Status;
    const qint64 ms = timer.elapsed();
    std::printf("%lld %ld %ld %d %.0f\n", static_cast<long long>(ms), before,
                static_cast<long>(benchStatusKiB("VmHWM:")), static_cast<int>(status), cpuMs() - cpuBefore);
    return status == ProtectionSaveStatus::Saved ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("--append"))
        return appendOnce(args.at(2), args.at(3));

    QTemporaryDir dir;
    for (const int count : {1000, 10000}) {
        const QString name = QStringLiteral("runs%1.kvpr").arg(count);
        {
            QFile file(dir.filePath(name));
            file.open(QIODevice::WriteOnly);
            ProtectedResultWriter writer(file, count);
            for (int k = 0; k < count; ++k)
                writer.add(sampleRun(k));
            writer.finish();
        }
        const qint64 size = QFileInfo(dir.filePath(name)).size();
        for (int round = 0; round < 3; ++round) {
            QProcess child;
            child.start(app.applicationFilePath(), {QStringLiteral("--append"), dir.path(), name});
            child.waitForFinished(-1);
            const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split(' ');
            if (f.size() != 5 || f.at(3) != "0") {
                std::fprintf(stderr, "append failed\n");
                return 1;
            }
            std::printf(
                "%6d records (file of %7lld bytes): append %5lld ms (CPU %5s ms), peak memory %5.1f MiB "
                "(process before the append %4.1f MiB)\n",
                count + round, static_cast<long long>(size), f.at(0).toLongLong(), f.at(4).constData(),
                f.at(2).toLong() / 1024.0, f.at(1).toLong() / 1024.0);
        }
    }
    return 0;
}
