// The run journal seen from the run controller. First the answer step ("Дальше (проверить)":
// the evaluation and the next task shown) of a 200-task run, with the file journal on the disk
// of the folder given (default: the current folder) beside the same step without a journal;
// then the whole resume of a 200-task run killed at its last task: the journal folder listed,
// the question answered, the journal read, the test file checked and loaded, the run restored
// and its task shown. Goals: the journal adds at most 5 ms per answered task; the resume takes
// under 200 ms.
//
// usage: bench_resume [FOLDER]

#include "BenchCpu.h"
#include "run/SilentRunView.h"

#include "journal/JournalStore.h"
#include "model/TestFileWriter.h"
#include "model/TestLoader.h"
#include "run/RunController.h"
#include "run/RunRecovery.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace kvizor;

namespace {

constexpr int kTasks = 200;
constexpr int kTicksPerTask = 20;

// Shows nothing; reads the right answer of the fixture's tasks (variant 0 is right).
class AnsweringView : public testing::SilentRunView
{
public:
    void ShowTask(const TaskScreen& screen) override
    {
        m_order = screen.VariantOrder;
        ++shown;
    }
    TaskAnswer ReadAnswer() const override
    {
        TaskAnswer answer;
        for (int k = 0; k < m_order.size(); ++k)
            answer.Checked[static_cast<std::size_t>(k)] = m_order.at(k) == 0;
        return answer;
    }

    int shown = 0;

private:
    QList<int> m_order;
};

class YesPrompts : public IRunPrompts
{
public:
    void ShowMessage(const QString&, const QString&, MessageIcon) override {}
    bool AskYesNo(const QString&, const QString&, MessageIcon) override { return true; }
    std::optional<QString> AskPassword() override { return std::nullopt; }
    IdentificationResult Identify(const IdentificationRequest&) override
    {
        return {true, QStringLiteral("Иванов Иван Иванович"), QStringLiteral("9 «А»")};
    }
    void ShowRichTextViewer(const QString&, const QString&) override {}
};

// A controller with its surroundings, the journal (if any) in folder.
struct Program
{
    explicit Program(const QString& journalFolder = QString())
    {
        config.IsShowUserResult = false;
        RunEnvironment env = RunEnvironment::System();
        env.RealTimers = false;
        controller = std::make_unique<TRunController>(config, view, prompts, outputs, network, env);
        if (!journalFolder.isEmpty()) {
            store = std::make_unique<JournalStore>(journalFolder);
            journal = store->NewJournal();
            controller->SetJournal(journal.get());
        }
    }
    bool open(const QString& testPath)
    {
        TLoadResult loaded = LoadTestFile(testPath, {});
        controller->BeginLoading();
        return loaded.loaded() && controller->TestLoaded(std::move(loaded.Test), std::move(loaded.Tasks));
    }

    TConfig config;
    AnsweringView view;
    YesPrompts prompts;
    IRunOutputs outputs;
    IRunNetwork network;
    std::unique_ptr<JournalStore> store;
    std::unique_ptr<FileRunJournal> journal;
    std::unique_ptr<TRunController> controller;
};

QString writeTest(const QString& folder)
{
    TTest test;
    test.Title = QStringLiteral("Итоговый тест из 200 заданий");
    test.RandomVariantOrder = true;
    test.AllowSkipping = true;
    TTaskList tasks;
    for (int i = 0; i < kTasks; ++i) {
        auto task = std::make_unique<TTask>(ttSingleChoice);
        task->Question = QStringLiteral("{\\rtf1\\ansi Задание %1: выберите верный ответ.}").arg(i + 1);
        for (int k = 0; k < 4; ++k)
            task->Variants[static_cast<std::size_t>(k)] = QStringLiteral("Вариант ответа %1").arg(k + 1);
        task->VariantValues[0] = 1;
        task->Weight = 2;
        tasks.push_back(std::move(task));
    }
    const QString path = QDir(folder).filePath(QStringLiteral("bench-200.kvf"));
    WriteTestFileToPath(path, test, tasks);
    return path;
}

double percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const auto at = static_cast<qsizetype>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values.at(at);
}

// The answer steps of a whole run (ticks between them), each timed.
bool answerSteps(Program& p, QList<double>& ms, int stopBefore = kTasks)
{
    TRunController& c = *p.controller;
    c.BeginTest();
    if (c.RunState() != rsTesting)
        return false;
    for (int n = 0; n < stopBefore && c.RunState() == rsTesting; ++n) {
        for (int t = 0; t < kTicksPerTask; ++t) {
            c.TimerTestTimer();
            c.TimerTaskTimer();
        }
        QElapsedTimer timer;
        timer.start();
        c.ACheckAskTaskExecute();
        ms.append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return true;
}

void report(const char* what, const QList<double>& ms)
{
    std::printf("  %-40s median %7.3f ms   p95 %7.3f ms   max %7.3f ms   (%lld)\n", what, percentile(ms, 0.5),
                percentile(ms, 0.95), percentile(ms, 1.0), static_cast<long long>(ms.size()));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString base = args.size() > 1 ? args.at(1) : QDir::currentPath();
    QTemporaryDir dir(QDir(base).filePath(QStringLiteral("bench-resume-XXXXXX")));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }
    std::printf("folder: %s\n", qPrintable(dir.path()));
    const QString testPath = writeTest(dir.path());
    const QString journals = QDir(dir.path()).filePath(QStringLiteral("journal"));

    // The answer step; the last one of a run also ends it, so it is left out of the figures.
    QList<double> plain;
    QList<double> journaled;
    for (int round = 0; round < 3; ++round) {
        Program without;
        Program with(journals);
        if (!without.open(testPath) || !with.open(testPath) || !answerSteps(without, plain, kTasks - 1) ||
            !answerSteps(with, journaled, kTasks - 1)) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
    }
    std::printf("answer step of a %d-task run (evaluation and next task shown), 3 runs\n", kTasks);
    report("without a journal", plain);
    report("with the file journal", journaled);
    std::printf("  journal cost: median %.3f ms, p95 %.3f ms\n",
                percentile(journaled, 0.5) - percentile(plain, 0.5),
                percentile(journaled, 0.95) - percentile(plain, 0.95));
    QDir(journals).removeRecursively();

    // A run killed at its last task: its journal is left behind.
    QByteArray left;
    QString leftPath;
    {
        Program killed(journals);
        QList<double> ignored;
        if (!killed.open(testPath) || !answerSteps(killed, ignored, kTasks - 1))
            return 1;
        leftPath = killed.journal->Path();
    }
    {
        QFile file(leftPath);
        if (!file.open(QIODevice::ReadOnly))
            return 1;
        left = file.readAll();
    }
    QList<double> wall;
    QList<double> cpu;
    for (int round = 0; round < 11; ++round) {
        QFile file(leftPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(left) != left.size())
            return 1;
        file.close();
        Program p(journals);
        TRunRecovery recovery(*p.store, *p.controller, p.prompts, p.outputs);
        QElapsedTimer timer;
        timer.start();
        const double cpuBefore = benchProcessCpu();
        const TRunRecovery::Outcome outcome = recovery.Offer();
        wall.append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        cpu.append(benchProcessCpu() - cpuBefore);
        if (outcome != TRunRecovery::Outcome::Resumed || p.view.shown != 1 ||
            p.controller->RunResult()->CurrentPos != kTasks - 1) {
            std::fprintf(stderr, "the run was not resumed\n");
            return 1;
        }
    }
    std::printf("resume of a %d-task run killed at its last task (journal of %lld bytes), 11 rounds\n",
                kTasks, static_cast<long long>(left.size()));
    std::printf("  %-40s median %7.1f ms wall, %7.1f ms CPU, max %.1f ms wall\n",
                "list, ask, read, load, restore, show", percentile(wall, 0.5), percentile(cpu, 0.5),
                percentile(wall, 1.0));
    return 0;
}
