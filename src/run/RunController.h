#pragma once

#include "Evaluation.h"
#include "RunOutputs.h"
#include "RunPrompts.h"
#include "RunView.h"

#include "config/Config.h"
#include "model/Task.h"
#include "model/Test.h"
#include "results/ResultTest.h"
#include "results/SharedResultFile.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QTimer;

namespace kvizor {

enum TRunState
{
    rsNoTest = 1,
    rsTestLoaded = 2,
    rsTesting = 3
};

// The steps of a run that wait for a test-server exchange: INFOBEGIN while a run begins,
// INFOPROCESS after an evaluation, RESULT among the end-of-run outputs.
enum class TRunStep
{
    None,
    Begin,
    Evaluation,
    End
};

// What the controller takes from its surroundings; tests replace the clock and the names.
struct RunEnvironment
{
    // The current local date and time.
    std::function<QDateTime()> Now;
    // Rich text to plain text, for the go-to list.
    std::function<QString(const QString&)> PlainText;
    // Where result files go when DirForResult is empty.
    std::function<QString()> ProgramFolder;
    // The computer's network name (recorded up to its first dot, at most 15 characters) and
    // the login name (dropped when over 15 characters).
    QString ComputerName;
    QString ComputerUserName;
    // Whether the clocks run on real one-second timers; off in tests, which tick by hand.
    bool RealTimers = true;
    // How long the protected result file's lock is waited for and where a record goes then.
    SharedWriteOptions SharedResultFiles;

    // The environment of the running program.
    static RunEnvironment System();
};

// The test run controller: whether a test is loaded and a run is in progress, starting a
// run, the order of tasks, showing them, evaluation and scoring, navigation, the clocks,
// hints and the end of a run. Widget-free: it drives the screen through IRunView, asks the
// user through IRunPrompts and hands the finished run to IRunOutputs and IRunNetwork.
//
// Clock ticks arrive also while a modal box of the controller is open. An expiry during
// such a box (an evaluation and its feedback, the hint viewer, a question) is recorded and
// acted on once when the box has closed, so nothing is evaluated or finished twice.
//
// A step that waits for the server is a state of its own (Step()), not a nested event
// loop: the controller starts the exchange and returns; every command is refused until
// the exchange reports back, and then the run carries on where it stopped. The test and
// the run record stay with the controller until the step's continuation has run, since
// nothing can free them meanwhile. A clock that expires during a step is acted on once
// when the step ends, as after a modal box.
//
// Every change of a run's state is made in one place: startRun (a run begins), askTask
// (a task is put on screen), recordEvaluation (a task is scored), useHint (a hint is
// shown at its penalty) and finishTest (the run ends).
class TRunController
{
public:
    TRunController(TConfig& config, IRunView& view, IRunPrompts& prompts, IRunOutputs& outputs,
                   IRunNetwork& network, RunEnvironment environment = RunEnvironment::System());
    ~TRunController();
    TRunController(const TRunController&) = delete;
    TRunController& operator=(const TRunController&) = delete;

    TRunState RunState() const { return m_state; }
    const TTest* Test() const { return m_test.get(); }
    const TTaskList& Tasks() const { return m_tasks; }
    // The record of the running run; nullptr outside a run.
    const TResultTest* RunResult() const { return m_result.get(); }
    const QString& RunGUID() const { return m_runGuid; }
    bool NetworkOK() const { return m_networkOk; }

    // The step under way; TRunStep::None when the controller takes commands.
    TRunStep Step() const { return m_step; }
    bool StepUnderWay() const { return m_step != TRunStep::None; }
    // Ends the exchange of the step under way as a failure; the step then goes on as after
    // any failed exchange.
    void CancelStep();
    // Called whenever a step has ended and its continuation has run without starting
    // another one, e.g. to close a window whose closing waited for the step.
    void SetStepEndedHandler(std::function<void()> handler) { m_stepEnded = std::move(handler); }

    // The loader starts (rsNoTest) and hands over a loaded test (rsTestLoaded). A test can be
    // handed over only while none is loaded; false otherwise.
    void BeginLoading();
    bool TestLoaded(std::unique_ptr<TTest> test, TTaskList tasks);

    // Commands.
    void BeginTest();              // ABeginTest
    void AskTask();                // AAskTask
    void ACheckAskTaskExecute();   // "Дальше (проверить)"
    void aIDoNotKnowExecute();     // "Я не знаю..."
    void aSkippingTaskExecute();   // "Пропустить..."
    void GoToTask(int position);   // a click in the go-to list
    void AEndTestExecute();        // "Закончить тест"
    void ACloseTestExecute();      // "Закрыть"
    void aShowPromptTaskExecute(); // the hint
    void aShowTestInstructionExecute();
    // The window asks whether it may close; during a run this ends the run. False while a
    // step is under way: the window waits for it.
    bool FormCloseQuery();
    // An answer control changed.
    void VariantClick();

    // One tick of the task clock and of the test clock.
    void TimerTaskTimer();
    void TimerTestTimer();
    bool TaskClockRunning() const { return m_taskClockRunning; }
    bool TestClockRunning() const { return m_testClockRunning; }

    // The state-dependent status panels and the progress bar, for the idle update.
    void RefreshStatusPanels();

    // Texts the window shows for a task.
    static QString HintCaption(const TTask& task);
    static QString VariantLabelText(const TTask& task);
    // Blanks and control characters off both ends.
    static QString TrimName(const QString& text);

private:
    // Marks one controller operation; the outermost one acts on clock expiries recorded
    // while it ran.
    class Entry
    {
    public:
        explicit Entry(TRunController& c) : m_c(c) { ++m_c.m_depth; }
        ~Entry()
        {
            if (--m_c.m_depth == 0)
                m_c.processPending();
        }
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;

    private:
        TRunController& m_c;
    };

    // What follows an evaluation once its INFOPROCESS has ended.
    enum class AfterEvaluation
    {
        MoveOn,
        Stop,
        TimeOut
    };
    using StepStart = std::function<void(const IRunNetwork::Done& done)>;

    int currentTaskIndex() const;
    const TTask& currentTask() const;
    EvaluationRules rules() const;
    QDateTime now() const;
    QString resultFolder() const;

    bool reportsToServer() const;
    // A step that waits for a report: send starts the exchange and then goes on when it has
    // ended. A report that is not sent goes on at once, as one that got through.
    void report(TRunStep step, bool sent, const StepStart& send, std::function<void(bool ok)> then);
    void progressReported(bool ok);
    void endStep(quint64 serial, bool ok);

    void startRun();
    void askTask();
    void evaluateTask(bool answered, AfterEvaluation then);
    void recordEvaluation(int taskIndex, const TaskEvaluation& evaluation);
    void afterEvaluation(AfterEvaluation then);
    void evaluateAndMoveOn(bool answered);
    void moveOn();
    int findOpenPosition(int from, bool includeCurrent) const;
    void showFeedback(const TTask& task, const TaskFeedback& feedback);
    void useHint(int taskIndex, std::int32_t penalty);
    void finishTest();
    void showResults();
    void saveProtectionResult();
    void showNoServer();

    void startTaskClock();
    void stopTaskClock();
    void startTestClock();
    void stopTestClock();
    // One tick; true when the clock has just reached its limit (and was stopped).
    bool taskTick();
    bool testTick();
    void taskTimeOut();
    void testTimeOut();
    void processPending();

    TConfig& m_config;
    IRunView& m_view;
    IRunPrompts& m_prompts;
    IRunOutputs& m_outputs;
    IRunNetwork& m_network;
    RunEnvironment m_env;

    TRunState m_state = rsNoTest;
    std::unique_ptr<TTest> m_test;
    TTaskList m_tasks;
    std::unique_ptr<TResultTest> m_result;
    QString m_runGuid;
    bool m_networkOk = false;

    // The identification dialog lives as long as the program, so its fields keep the last
    // entries; these are its fields.
    QString m_dialogUserName;
    QString m_dialogUserGroup;

    bool m_taskClockRunning = false;
    bool m_testClockRunning = false;
    std::unique_ptr<QTimer> m_taskTimer;
    std::unique_ptr<QTimer> m_testTimer;

    // Depth of controller operations under way; a tick that arrives while it is above 0
    // came from inside one of their modal boxes.
    int m_depth = 0;
    TRunStep m_step = TRunStep::None;
    std::function<void(bool ok)> m_stepThen;
    // Tells a step's report from a stale one.
    quint64 m_stepSerial = 0;
    std::function<void()> m_stepEnded;
    // Reports that arrive after the controller is gone find this expired.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    bool m_pendingTaskTimeOut = false;
    bool m_pendingTestTimeOut = false;
    // The task on screen has been evaluated (it must not be evaluated again).
    bool m_currentEvaluated = false;
};

} // namespace kvizor
