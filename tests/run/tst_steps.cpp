// The steps of a run that wait for the server or for a result file's lock: nothing enters
// the controller while one is under way, and the run goes on exactly once when its exchange
// or write reports back.

#include "RunFixtures.h"
#include "RunHarness.h"
#include "support/TestEnvironment.h"

#include "config/ProgramFolder.h"
#include "results/ProtectedResultFile.h"
#include "run/RunTexts.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace kvizor;
using namespace kvizor::testing;

Q_DECLARE_METATYPE(kvizor::TRunStep)
Q_DECLARE_METATYPE(kvizor::LockWaitEnd)

namespace {

// Three single-choice tasks with every command of a run on offer: skipping, "Я не знаю",
// hints and an instruction.
Fixture offeringEverything()
{
    Fixture f = singles(3);
    f.t().AllowSkipping = true;
    f.t().PenaltyMode = true;
    f.t().Instruction = QStringLiteral("{\\rtf1 инструкция}");
    for (auto& task : f.tasks)
        task->Hint = QStringLiteral("{\\rtf1 подсказка}");
    return f;
}

// A harness reporting to the server whose exchanges wait until released.
struct StepHarness : RunHarness
{
    StepHarness()
    {
        config.IsSendResult = true;
        config.IsShowUserResult = true;
        network.holding = true;
        controller->SetStepEndedHandler([this] { ++stepsEnded; });
        programFolder = folder.path();
        config.IsSaveProtectionResult = true;
    }
    // A write waiting on its thread ends before the lock and the folder go.
    ~StepHarness() { controller.reset(); }
    StepHarness(const StepHarness&) = delete;
    StepHarness& operator=(const StepHarness&) = delete;

    QString protectedPath() const { return folder.filePath(kDefaultProtectionResultFileName); }
    // Another program keeps the protected result file locked.
    void lockProtectedFile()
    {
        held.emplace(protectedPath() + QStringLiteral(".lock"));
        QVERIFY(held->tryLock(0));
    }
    // The instruction viewer of BeginTest is answered like any box.
    void begin() { c().BeginTest(); }
    void answerRight()
    {
        view.answer = rightSingle(r().VariantOrder);
        c().ACheckAskTaskExecute();
    }
    // Brings the run into the step, every exchange before it getting through; the steps
    // ended on the way are not counted.
    void reach(TRunStep step)
    {
        if (step == TRunStep::ResultLog)
            outputs.holdingLog = true;
        if (step == TRunStep::ProtectedResult)
            lockProtectedFile();
        begin();
        if (step != TRunStep::Begin) {
            network.release(true);
            if (step == TRunStep::Evaluation) {
                answerRight();
            } else {
                c().AEndTestExecute();
                network.release(true);
            }
        }
        stepsEnded = 0;
    }
    // The step's exchange or write is still waiting.
    bool waiting(TRunStep step) const
    {
        switch (step) {
        case TRunStep::ResultLog:
            return outputs.waitingLog();
        case TRunStep::ProtectedResult:
            return !QFile::exists(protectedPath());
        case TRunStep::None:
            return false;
        case TRunStep::Begin:
        case TRunStep::Evaluation:
        case TRunStep::End:
            break;
        }
        return network.waiting();
    }
    int evaluated() const
    {
        int n = 0;
        for (const std::int32_t v : controller->RunResult()->TaskResults)
            n += v >= 0 ? 1 : 0;
        return n;
    }

    int stepsEnded = 0;
    QTemporaryDir folder;
    std::optional<QLockFile> held;
};

// What a command could change.
struct Snapshot
{
    TRunState state;
    TRunStep step;
    const TResultTest* result;
    const TTest* test;
    int asked;
    int position;
    QList<std::int32_t> results;
    QList<std::int32_t> penalties;
    qsizetype prompts;
    qsizetype reports;
    qsizetype shown;
    bool checkEnabled;

    static Snapshot of(StepHarness& h)
    {
        const TResultTest* r = h.c().RunResult();
        return {h.c().RunState(),
                h.c().Step(),
                r,
                h.c().Test(),
                r != nullptr ? r->AskedCount : -1,
                r != nullptr ? r->CurrentPos : -1,
                r != nullptr ? r->TaskResults : QList<std::int32_t>(),
                r != nullptr ? r->TaskPenalties : QList<std::int32_t>(),
                h.prompts.calls.size(),
                h.network.calls.size(),
                h.view.shown.size(),
                h.view.checkEnabled};
    }
    bool operator==(const Snapshot&) const = default;
};

// Every command of the controller, each named for the failure message.
QList<QPair<const char*, std::function<void(StepHarness&)>>> everyCommand()
{
    return {
        {"begin", [](StepHarness& h) { h.c().BeginTest(); }},
        {"ask", [](StepHarness& h) { h.c().AskTask(); }},
        {"answer", [](StepHarness& h) { h.c().ACheckAskTaskExecute(); }},
        {"do not know", [](StepHarness& h) { h.c().aIDoNotKnowExecute(); }},
        {"skip", [](StepHarness& h) { h.c().aSkippingTaskExecute(); }},
        {"go to 2", [](StepHarness& h) { h.c().GoToTask(1); }},
        {"go to 3", [](StepHarness& h) { h.c().GoToTask(2); }},
        {"end", [](StepHarness& h) { h.c().AEndTestExecute(); }},
        {"close test", [](StepHarness& h) { h.c().ACloseTestExecute(); }},
        {"hint", [](StepHarness& h) { h.c().aShowPromptTaskExecute(); }},
        {"instruction", [](StepHarness& h) { h.c().aShowTestInstructionExecute(); }},
        {"answer changed", [](StepHarness& h) { h.c().VariantClick(); }},
        {"close window", [](StepHarness& h) { QVERIFY(!h.c().FormCloseQuery()); }},
        {"another test",
         [](StepHarness& h) { QVERIFY(!h.c().TestLoaded(std::make_unique<TTest>(), TTaskList())); }},
    };
}

} // namespace

class TestSteps : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stepsWait_data()
    {
        QTest::addColumn<TRunStep>("step");
        QTest::addColumn<QString>("exchange");
        QTest::newRow("begin") << TRunStep::Begin << QStringLiteral("INFOBEGIN");
        QTest::newRow("evaluation") << TRunStep::Evaluation << QStringLiteral("INFOPROCESS");
        QTest::newRow("result log locked") << TRunStep::ResultLog << QStringLiteral("INFOPROCESS");
        QTest::newRow("protected file locked") << TRunStep::ProtectedResult << QStringLiteral("INFOPROCESS");
        QTest::newRow("end") << TRunStep::End << QStringLiteral("RESULT");
    }
    // Each step waits for its exchange or its file; every command meanwhile changes nothing.
    void stepsWait()
    {
        QFETCH(TRunStep, step);
        QFETCH(QString, exchange);
        StepHarness h;
        offeringEverything().loadInto(h);
        h.reach(step);
        QCOMPARE(h.c().Step(), step);
        QVERIFY(h.c().StepUnderWay());
        QCOMPARE(h.network.calls.last(), exchange);
        QVERIFY(h.waiting(step));

        const Snapshot before = Snapshot::of(h);
        for (const auto& [name, command] : everyCommand()) {
            command(h);
            QVERIFY2(Snapshot::of(h) == before, name);
        }
        QCOMPARE(h.stepsEnded, 0);
    }

    void stepEnds_data()
    {
        QTest::addColumn<TRunStep>("step");
        QTest::addColumn<bool>("ok");
        QTest::newRow("begin, got through") << TRunStep::Begin << true;
        QTest::newRow("begin, failed") << TRunStep::Begin << false;
        QTest::newRow("evaluation, got through") << TRunStep::Evaluation << true;
        QTest::newRow("evaluation, failed") << TRunStep::Evaluation << false;
        QTest::newRow("end, got through") << TRunStep::End << true;
        QTest::newRow("end, failed") << TRunStep::End << false;
    }
    // When the exchange reports back the run goes on once from where it stopped; a failure
    // shows "Нет связи с сервером!" and, during a run, stops the progress reports.
    void stepEnds()
    {
        QFETCH(TRunStep, step);
        QFETCH(bool, ok);
        StepHarness h;
        offeringEverything().loadInto(h);
        h.reach(step);
        const qsizetype shown = h.view.shown.size();
        h.network.release(ok);
        h.network.release(ok); // a second report of the same exchange is no news

        QCOMPARE(h.c().Step(), TRunStep::None);
        QCOMPARE(h.prompts.count(texts::NoServer), ok ? 0 : 1);
        QCOMPARE(h.stepsEnded, 1);
        switch (step) {
        case TRunStep::ResultLog:
        case TRunStep::ProtectedResult:
            break;
        case TRunStep::Begin:
        case TRunStep::Evaluation:
            QCOMPARE(h.c().RunState(), rsTesting);
            QCOMPARE(h.view.shown.size(), shown + 1);
            QCOMPARE(h.r().AskedCount, step == TRunStep::Begin ? 1 : 2);
            QCOMPARE(h.evaluated(), step == TRunStep::Begin ? 0 : 1);
            QCOMPARE(h.c().NetworkOK(), ok);
            break;
        case TRunStep::End:
            QCOMPARE(h.c().RunState(), rsTestLoaded);
            QVERIFY(h.c().RunResult() == nullptr);
            QCOMPARE(h.outputs.finished.size(), 1);
            QCOMPARE(h.outputs.events.count(QStringLiteral("window")), 1);
            break;
        case TRunStep::None:
            break;
        }
    }

    // The outputs before RESULT are done when it starts; the result window and the record's
    // end wait for it.
    void endStepKeepsTheOutputsInOrder()
    {
        StepHarness h;
        h.config.IsShowDetailReportModeNormal = true;
        singles(1).loadInto(h);
        h.reach(TRunStep::Evaluation);
        h.network.release(true);
        QCOMPARE(h.c().Step(), TRunStep::End);
        QCOMPARE(h.outputs.events,
                 (QStringList{QStringLiteral("sound"), QStringLiteral("summary"), QStringLiteral("log")}));
        QVERIFY(h.c().RunResult() != nullptr);
        QCOMPARE(h.c().RunState(), rsTestLoaded);

        h.network.release(false);
        QCOMPARE(h.outputs.events,
                 (QStringList{QStringLiteral("sound"), QStringLiteral("summary"), QStringLiteral("log"),
                              QStringLiteral("window"), QStringLiteral("report")}));
        QCOMPARE(h.prompts.kinds().last(), QStringLiteral("message"));
        QCOMPARE(h.prompts.calls.last().Text, texts::NoServer);
        QVERIFY(h.c().RunResult() == nullptr);
    }

    void recordWaitsForItsLock_data()
    {
        QTest::addColumn<TRunStep>("step");
        // None: the other program lets the lock go.
        QTest::addColumn<LockWaitEnd>("end");
        for (const TRunStep step : {TRunStep::ResultLog, TRunStep::ProtectedResult}) {
            const char* file = step == TRunStep::ResultLog ? "log" : "protected file";
            QTest::addRow("%s, lock let go", file) << step << LockWaitEnd::None;
            QTest::addRow("%s, wait cut short", file) << step << LockWaitEnd::Divert;
            QTest::addRow("%s, program ends", file) << step << LockWaitEnd::Abandon;
        }
    }
    // A record waits for its file's lock as a step: the outputs after it wait too, and then
    // follow in their order. Cut short (a closing window) the record goes elsewhere at once;
    // while the program ends it is left owed: the journal keeps the run and marks only what
    // was written, so the next start writes the rest.
    void recordWaitsForItsLock()
    {
        QFETCH(TRunStep, step);
        QFETCH(LockWaitEnd, end);
        const QString fallback = QDir(UserDataFolder()).filePath(kDefaultProtectionResultFileName);
        const auto removeFallback = qScopeGuard([&fallback] { QFile::remove(fallback); });
        StepHarness h;
        singles(2).loadInto(h);
        h.reach(step);
        QCOMPARE(h.c().Step(), step);
        const QStringList before{QStringLiteral("sound"), QStringLiteral("summary"), QStringLiteral("log")};
        QCOMPARE(h.outputs.events, before);
        QVERIFY(!QFile::exists(h.protectedPath()));
        QCOMPARE(h.network.calls.last(), QStringLiteral("INFOPROCESS"));

        if (end == LockWaitEnd::Abandon)
            h.c().Terminate();
        if (end != LockWaitEnd::None)
            h.c().CancelStep();
        if (step == TRunStep::ResultLog) {
            QCOMPARE(h.outputs.logWaitEnds,
                     end == LockWaitEnd::None ? QList<LockWaitEnd>() : QList<LockWaitEnd>{end});
            h.outputs.releaseLog(end != LockWaitEnd::Abandon);
        } else if (end == LockWaitEnd::None) {
            h.held->unlock();
        }
        // RESULT comes only now, and the result window after it.
        QTRY_COMPARE(h.c().Step(), TRunStep::End);
        QCOMPARE(h.outputs.events, before);
        h.network.release(true);
        QCOMPARE(h.c().Step(), TRunStep::None);
        QVERIFY(h.c().RunResult() == nullptr);
        QCOMPARE(h.stepsEnded, 1);
        QCOMPARE(h.outputs.events.count(QStringLiteral("window")), end == LockWaitEnd::Abandon ? 0 : 1);

        const bool protectedWaited = step == TRunStep::ProtectedResult && end != LockWaitEnd::None;
        QCOMPARE(QFile::exists(h.protectedPath()), !protectedWaited);
        QCOMPARE(QFile::exists(fallback), protectedWaited && end == LockWaitEnd::Divert);
        if (QFile::exists(fallback)) {
            QCOMPARE(LoadProtectedResults(fallback).size(), 1);
            QCOMPARE(h.prompts.count(SharedFileDivertedMessage(h.protectedPath(), fallback)), 1);
        }

        const bool owed = end == LockWaitEnd::Abandon;
        QCOMPARE(h.journal.Active(), owed);
        if (owed) {
            const JournalRun& run = h.journal.Current();
            QVERIFY(run.Ended);
            QCOMPARE(run.OutputDone(JournalOutput::ResultLog), step != TRunStep::ResultLog);
            QCOMPARE(run.OutputDone(JournalOutput::ProtectedResult), step != TRunStep::ProtectedResult);
            QVERIFY(run.OutputDone(JournalOutput::ServerResult));
        }
    }

    // A second "Дальше" while the first one's INFOPROCESS waits moves on exactly once.
    void doubleCheckMovesOnOnce()
    {
        StepHarness h;
        singles(3).loadInto(h);
        h.reach(TRunStep::Evaluation);
        h.c().ACheckAskTaskExecute();
        h.c().ACheckAskTaskExecute();
        h.network.release(true);
        QCOMPARE(h.network.calls.count(QStringLiteral("INFOPROCESS")), 1);
        QCOMPARE(h.view.shown.size(), 2);
        QCOMPARE(h.r().AskedCount, 2);
        QCOMPARE(h.r().CurrentPos, 1);
        QCOMPARE(h.evaluated(), 1);
    }

    // The clocks tick during a step; the test time running out then ends the run once the
    // step is over, without evaluating the task again or showing another one.
    void testTimeRunsOutDuringAReport()
    {
        StepHarness h;
        Fixture f = singles(3);
        f.t().TestTimeLimit = 3;
        f.loadInto(h);
        h.reach(TRunStep::Evaluation);
        h.tickTest(5);
        QCOMPARE(h.r().ElapsedSeconds, 3);
        QCOMPARE(h.c().Step(), TRunStep::Evaluation);
        QCOMPARE(h.prompts.count(texts::TestTimeOut), 0);

        h.network.release(true);
        QCOMPARE(h.prompts.count(texts::TestTimeOut), 1);
        QCOMPARE(h.view.shown.size(), 1);
        QCOMPARE(h.network.calls.count(QStringLiteral("INFOPROCESS")), 1);
        QCOMPARE(h.c().Step(), TRunStep::End);
        h.network.release(true);
        QCOMPARE(h.outputs.finished.size(), 1);
        QCOMPARE(h.outputs.finished.first().EndReason, std::uint8_t(erTimeOut));
        QCOMPARE(h.outputs.finished.first().AskedCount, 1);
    }

    // An expiry during a modal box of the command that started a step waits for the step
    // too: the question of "Закончить тест" is open when the test time runs out.
    void expiryInABoxBeforeAStep()
    {
        StepHarness h;
        Fixture f = singles(2);
        f.t().TestTimeLimit = 2;
        f.loadInto(h);
        h.begin();
        h.network.release(true);
        h.prompts.whileOpen = [&h](const PromptCall& call) {
            if (call.Kind == QStringLiteral("question"))
                h.tickTest(3);
        };
        h.c().AEndTestExecute();
        QCOMPARE(h.c().Step(), TRunStep::Evaluation);
        QCOMPARE(h.prompts.count(texts::TestTimeOut), 0);
        h.network.release(true);
        h.network.release(true);
        QCOMPARE(h.outputs.finished.size(), 1);
        QCOMPARE(h.outputs.finished.first().EndReason, std::uint8_t(erStopped));
        QCOMPARE(h.network.calls.count(QStringLiteral("INFOPROCESS")), 1);
    }

    // Exchanges that end inside their call (no server) are one step: the handler hears
    // only of steps that ended later.
    void reportsThatEndAtOnce()
    {
        StepHarness h;
        h.network.holding = false;
        singles(2).loadInto(h);
        h.begin();
        h.answerRight();
        h.answerRight();
        QCOMPARE(h.network.calls, (QStringList{QStringLiteral("INFOBEGIN"), QStringLiteral("INFOPROCESS"),
                                               QStringLiteral("INFOPROCESS"), QStringLiteral("RESULT")}));
        QCOMPARE(h.c().Step(), TRunStep::None);
        QCOMPARE(h.outputs.finished.size(), 1);
        QCOMPARE(h.stepsEnded, 0);
    }

    // The last answer's INFOPROCESS leads straight into RESULT: the handler waits for both.
    void handlerAfterTheLastStepOfAChain()
    {
        StepHarness h;
        singles(1).loadInto(h);
        h.reach(TRunStep::Evaluation);
        h.network.release(true);
        QCOMPARE(h.c().Step(), TRunStep::End);
        QCOMPARE(h.stepsEnded, 0);
        h.network.release(true);
        QCOMPARE(h.stepsEnded, 1);
    }

    void cancelledStepFails()
    {
        StepHarness h;
        singles(2).loadInto(h);
        h.reach(TRunStep::Begin);
        h.c().CancelStep();
        QCOMPARE(h.network.cancels, 1);
        QCOMPARE(h.c().Step(), TRunStep::None);
        QCOMPARE(h.prompts.count(texts::NoServer), 1);
        QVERIFY(!h.c().NetworkOK());
        h.c().CancelStep(); // nothing under way
        QCOMPARE(h.network.cancels, 1);
    }

    // A report that comes after the controller is gone finds nothing to go on with.
    void reportAfterTheController()
    {
        StepHarness h;
        singles(2).loadInto(h);
        h.reach(TRunStep::Evaluation);
        h.network.holding = false;
        h.controller.reset();
        QCOMPARE(h.network.cancels, 1);
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestSteps)
#include "tst_steps.moc"
