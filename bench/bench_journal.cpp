// The run journal's cost. Per answered task (its evaluation and the next task shown, each
// written and made durable with fdatasync before the call returns) and per clock tick, on the
// disk of the folder given (default: the current folder), beside the same events kept in
// memory (encoding, checks and MACs without the disk). Then reading back a 200-task run as a
// resume does: listing the journal folder and reading the journal with the test's bytes.
// Goals: at most 5 ms per answered task; a 200-task run read back in under 200 ms.
//
// usage: bench_journal [FOLDER]

#include "BenchCpu.h"

#include "journal/FileRunJournal.h"
#include "journal/JournalStore.h"
#include "journal/RunJournal.h"

#include "results/ResultTest.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace kvizor;

namespace {

constexpr int kTasks = 200;
constexpr int kTicksPerTask = 30;

TResultTest beginning()
{
    TResultTest r(kTasks);
    r.UserName = QStringLiteral("Иванов Иван Иванович");
    r.UserGroup = QStringLiteral("9 «А»");
    r.ComputerName = QStringLiteral("CLASS-PC7");
    r.ComputerUserName = QStringLiteral("student");
    r.TestTitle = QStringLiteral("Итоговый тест по алгебре, 9 класс");
    r.TestFileName = QStringLiteral("/home/teacher/Тесты/Алгебра-9.kvf");
    r.TestFileCRC = 0x9E3779B9u;
    r.TestUId = QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
    for (int i = 0; i < kTasks; ++i)
        r.TaskOrder.append((i * 7) % kTasks);
    r.TaskCount = kTasks;
    r.MaxPoints = 2 * kTasks;
    r.TaskStates.fill(-1, kTasks);
    r.StartTime = 45356.5;
    return r;
}

// The changes of one task, told to the journal as the controller would; the elapsed wall
// time of the evaluation and the next showing land in answerMs, of each tick in tickMs.
struct Step
{
    IRunJournal& journal;
    TResultTest& r;
    QList<double>* answerMs = nullptr;
    QList<double>* tickMs = nullptr;

    bool show(int position)
    {
        r.CurrentPos = position;
        ++r.AskedCount;
        r.TaskStates[position] = 0;
        r.VariantOrder = {3, 1, 0, 2};
        r.SetTaskSeconds(r.TaskOrder.at(position), 0);
        return journal.TaskShown(r);
    }
    bool ticks(int count)
    {
        for (int k = 0; k < count; ++k) {
            ++r.ElapsedSeconds;
            const int i = r.TaskOrder.at(r.CurrentPos);
            r.SetTaskSeconds(i, r.GetTaskSeconds(i) + 1);
            QElapsedTimer timer;
            timer.start();
            if (!journal.Clocks(r))
                return false;
            if (tickMs != nullptr)
                tickMs->append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        }
        return true;
    }
    bool answerAndMoveOn(int position)
    {
        const int i = r.TaskOrder.at(position);
        QElapsedTimer timer;
        timer.start();
        r.TaskStates[position] = 1;
        r.SetTaskResult(i, position % 3 == 0 ? 0 : 2);
        r.SetTaskAnswer(i, QStringLiteral("1-2;2-4;3-1;4-3;"));
        r.Points += position % 3 == 0 ? 0 : 2;
        ++(position % 3 == 0 ? r.WrongCount : r.RightCount);
        r.AskedMaxPoints += 2;
        bool ok = journal.TaskEvaluated(r);
        if (ok && position + 1 < kTasks)
            ok = show(position + 1);
        if (answerMs != nullptr)
            answerMs->append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        return ok;
    }
};

double percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto at = static_cast<qsizetype>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values.at(at);
}

void report(const char* what, const QList<double>& ms)
{
    std::printf("  %-34s median %7.3f ms   p95 %7.3f ms   max %7.3f ms   (%lld)\n", what, percentile(ms, 0.5),
                percentile(ms, 0.95), percentile(ms, 1.0), static_cast<long long>(ms.size()));
}

// Per answered task and per tick, through the journal given.
bool measureSteps(IRunJournal& journal, const char* title)
{
    TResultTest r = beginning();
    QList<double> answers;
    QList<double> ticks;
    Step step{journal, r, &answers, &ticks};
    if (!journal.Begin(r, QStringLiteral("{11111111-2222-4333-8444-555555555555}"), true) || !step.show(0))
        return false;
    const double cpuBefore = benchProcessCpu();
    for (int p = 0; p < kTasks; ++p) {
        if (!step.ticks(p % 10 == 0 ? 3 : 0) || !step.answerAndMoveOn(p))
            return false;
    }
    const double cpu = benchProcessCpu() - cpuBefore;
    std::printf("%s\n", title);
    report("answered task (2 events)", answers);
    report("clock tick (1 event)", ticks);
    std::printf("  CPU time of the events: %.1f ms for %d answered tasks and %lld ticks\n", cpu, kTasks,
                static_cast<long long>(ticks.size()));
    journal.Discard();
    return true;
}

// A whole 200-task run (every task shown, ticked, some with a hint, answered), in memory.
QByteArray wholeRun(const QByteArray& testBytes)
{
    MemoryRunJournal journal;
    TResultTest r = beginning();
    Step step{journal, r};
    bool ok = journal.Begin(r, QStringLiteral("{11111111-2222-4333-8444-555555555555}"), true, testBytes) &&
              step.show(0);
    for (int p = 0; ok && p < kTasks; ++p) {
        ok = step.ticks(kTicksPerTask);
        if (ok && p % 5 == 0) {
            r.SetTaskPenalty(r.TaskOrder.at(p), 1);
            ok = journal.HintUsed(r);
        }
        ok = ok && step.answerAndMoveOn(p);
    }
    return ok ? journal.Bytes() : QByteArray();
}

bool measureReading(const QString& folder, const QByteArray& testBytes, const char* title)
{
    const QByteArray bytes = wholeRun(testBytes);
    const QString path = QDir(folder).filePath(QStringLiteral("11111111-2222-4333-8444-555555555555.kvj"));
    QFile file(path);
    if (bytes.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    const JournalStore store(folder);
    QList<double> wall[2];
    QList<double> cpu[2];
    const auto timed = [&](int which, const std::function<bool()>& step) {
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = benchProcessCpu();
        const bool ok = step();
        wall[which].append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        cpu[which].append(benchProcessCpu() - cpuBefore);
        return ok;
    };
    for (int round = 0; round < 11; ++round) {
        const bool ok = timed(0, [&] { return store.ListInterrupted().Runs.size() == 1; }) && timed(1, [&] {
                            const JournalReadResult read = store.ReadForResume(path);
                            return read.Status == JournalStatus::Ok && read.Run.Record.AskedCount == kTasks &&
                                   read.Run.TestBytes.size() == testBytes.size();
                        });
        if (!ok)
            return false;
    }
    std::printf("%s: journal of %lld bytes, %d events\n", title, static_cast<long long>(bytes.size()),
                store.ReadForResume(path).Run.EventCount);
    const char* steps[2] = {"listing the folder (start-up)", "reading it back to resume"};
    for (int which = 0; which < 2; ++which)
        std::printf("  %-34s median %7.1f ms wall, %7.1f ms CPU (11 rounds)\n", steps[which],
                    percentile(wall[which], 0.5), percentile(cpu[which], 0.5));
    QFile::remove(path);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString base = args.size() > 1 ? args.at(1) : QDir::currentPath();
    QTemporaryDir dir(QDir(base).filePath(QStringLiteral("bench-journal-XXXXXX")));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }
    std::printf("journal folder: %s\n", qPrintable(dir.path()));

    MemoryRunJournal memory;
    FileRunJournal disk(dir.path());
    if (!measureSteps(memory, "in memory (no disk)") ||
        !measureSteps(disk, "file (evaluation synced, task shown and tick written)")) {
        std::fprintf(stderr, "journal failed: %s\n", qPrintable(disk.ErrorText()));
        return 1;
    }
    QByteArray testBytes(5 * 1024 * 1024, Qt::Uninitialized);
    for (qsizetype k = 0; k < testBytes.size(); ++k)
        testBytes[k] = static_cast<char>((k * 2654435761u) >> 13);
    if (!measureReading(dir.path(), QByteArray(), "200-task run, test from disk") ||
        !measureReading(dir.path(), testBytes, "200-task run, 5 MiB test from the server")) {
        std::fprintf(stderr, "reading back failed\n");
        return 1;
    }
    return 0;
}
