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

#include <cstdint>
#include <functional>
#include <memory>

class QTimer;

namespace kvizor {

class IRunJournal;
struct JournalRun;
enum class JournalOutput : std::uint8_t;
class SharedFileWriter;

enum TRunState
{
    rsNoTest = 1,
    rsTestLoaded = 2,
    rsTesting = 3
};

// The steps of a run that wait for something outside: a test-server exchange (INFOBEGIN
// while a run begins, INFOPROCESS after an evaluation, RESULT among the end-of-run outputs),
// or the lock of a shared result file that another program holds (the result log's record
// and the protected result file, before RESULT).
enum class TRunStep
{
    None,
    Begin,
    Evaluation,
    ResultLog,
    ProtectedResult,
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
    // How long the protected result file's lock is waited for and where a record goes then
    // (the wait itself runs off the controller's thread).
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
// A step that waits for the server, or for a result file that another program keeps
// locked, is a state of its own (Step()), not a nested event loop: the controller starts the
// exchange (or the write, whose wait for the lock goes to a thread of its own) and returns;
// every command is refused until it reports back, and then the run carries on where it
// stopped. The test and the run record stay with the controller until the step's
// continuation has run, since nothing can free them meanwhile. A clock that expires during
// a step is acted on once when the step ends, as after a modal box. A write whose lock is
// free at once is no step: the outputs go on as they always did.
//
// Every change of a run's state is made in one place: startRun (a run begins), askTask
// (a task is put on screen), recordEvaluation (a task is scored), useHint (a hint is
// shown at its penalty) and finishTest (the run ends); each tells the run journal, so an
// interrupted run can be resumed (ResumeRun) or closed (CloseInterruptedRun) by a later
// start of the program.
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
    // any failed exchange. A write waiting for its lock stops waiting: the record goes to the
    // fallback folder now, or, while the program ends, is left to the journal (the next
    // start writes it); a write that holds its lock is finished first.
    void CancelStep();
    // Called whenever a step has ended and its continuation has run without starting
    // another one, e.g. to close a window whose closing waited for the step.
    void SetStepEndedHandler(std::function<void()> handler) { m_stepEnded = std::move(handler); }

    // The journal told about every change of a run; none when nullptr. A journal that fails
    // is noted once in the result log and left out for the rest of the run, which goes on.
    void SetJournal(IRunJournal* journal) { m_journal = journal; }

    // Why a journaled run cannot go on with the loaded test (another file, another number of
    // tasks, another mode, the task on screen with other variants); empty when it fits.
    QString ResumeMismatch(const JournalRun& run) const;
    // Goes on with an interrupted run of the loaded test (rsTestLoaded, fitting, not ended):
    // the record as journaled, the same run GUID (no second INFOBEGIN), the clocks moved on by
    // the time the program was down, so a limit that passed meanwhile ends the task or the run
    // at once; the task that was on screen is shown again with its variant order, or the
    // next open one when it had been evaluated. False when it cannot.
    bool ResumeRun(const JournalRun& run);
    // Ends an interrupted run without going on with it (declined, or its test changed or is
    // gone): a run that had not ended ends as erProgramClosed when the program was last heard
    // of, graded by the journal's scale; then the outputs the journal does not mark as
    // written: the result log, the protected file and RESULT when due. It shows no window;
    // RESULT makes it a step (TRunStep::End). Only outside a run; false otherwise.
    bool CloseInterruptedRun(const JournalRun& run);

    // The program is asked to end (a termination signal, logout): a run in progress ends at
    // once as erProgramClosed and its outputs are written, with no question, message or
    // result window from now on. Inside a modal box of an operation this happens when the
    // operation returns; during a step, when the step has ended.
    void Terminate();
    bool Terminating() const { return m_terminating; }
    // An operation of the controller is under way (one of its modal boxes is open).
    bool OperationUnderWay() const { return m_depth > 0; }

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
    // A step that may wait: start begins the exchange or the write, then goes on when it has
    // ended. One that is not started goes on at once, as one that got through.
    void runStep(TRunStep step, bool started, const StepStart& start, std::function<void(bool ok)> then);
    void progressReported(bool ok);
    void endStep(quint64 serial, bool ok);
    // Cuts short the exchange or the wait of the step under way.
    void cutStep(LockWaitEnd how);

    // The modal dialogs; none while the program ends.
    IRunPrompts& prompts();

    void startRun();
    void fillGoToList();
    void askTask();
    // Puts the task at CurrentPos on screen as it stands (no count, no new variant order);
    // false when the run ended meanwhile.
    bool putTaskOnScreen();
    void evaluateTask(bool answered, AfterEvaluation then);
    void recordEvaluation(int taskIndex, const TaskEvaluation& evaluation);
    void afterEvaluation(AfterEvaluation then);
    void evaluateAndMoveOn(bool answered);
    void moveOn();
    int findOpenPosition(int from, bool includeCurrent) const;
    void showFeedback(const TTask& task, const TaskFeedback& feedback);
    void useHint(int taskIndex, std::int32_t penalty);
    void finishTest();
    // Ends the run on screen as a closed program (Terminate).
    void closeRun();
    // The result log, the protected file and RESULT of an ended run, each unless done says it
    // was written (bits per JournalOutput), each a step while it waits; then, once RESULT has
    // ended, then.
    void writeEndOutputs(const TResultTest& r, const QString& runGuid, bool reports, std::uint8_t done,
                         std::function<void()> then);
    // The next of those outputs.
    void nextEndOutput();
    void endOutputWritten(JournalOutput output, bool ok);
    void sendEndResult();
    void showResults();
    void saveProtectionResult(const TResultTest& r, const IRunOutputs::WriteDone& done);
    void showNoServer();

    // The run journal (RunJournaling.cpp). journal() is the journal while it takes events.
    IRunJournal* journal() const { return m_journalLive ? m_journal : nullptr; }
    void beginJournal();
    // A call's outcome: a failure is noted once in the result log, and the journal is left
    // out for the rest of the run.
    void journaled(bool ok);
    void journalClocks();
    void discardJournal();
    // Adds the time the program was down to the clocks of a resumed run.
    void catchUpClocks(const JournalRun& run, bool taskOpen);

    void startTaskClock();
    void stopTaskClock();
    void startTestClock();
    void stopTestClock();
    // One tick; true when the clock has just reached its limit (and was stopped).
    bool taskTick();
    bool testTick();
    // Shows a clock's time; true when it has reached its limit (and was stopped).
    bool showTaskTime(std::int32_t seconds);
    bool showTestTime();
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

    IRunJournal* m_journal = nullptr;
    // The journal takes this run's events (begun or resumed, and no call has failed).
    bool m_journalLive = false;
    bool m_terminating = false;
    std::unique_ptr<IRunPrompts> m_silentPrompts;
    // The record of an interrupted run being closed, until its RESULT has ended.
    std::unique_ptr<TResultTest> m_closing;

    // The end-of-run outputs under way.
    struct EndOutputs
    {
        const TResultTest* Record = nullptr;
        QString RunGuid;
        bool Reports = false;
        // Bits per JournalOutput: written before, or started now.
        std::uint8_t Started = 0;
        // An output whose wait was abandoned: the journal keeps the run.
        bool Owed = false;
        std::function<void()> Then;
    };
    std::unique_ptr<EndOutputs> m_endOutputs;
    // The protected result file's writes, whose waits for a busy lock run on threads of their
    // own; a write under way is finished before the controller goes.
    std::unique_ptr<SharedFileWriter> m_fileWriter;
};

} // namespace kvizor
