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
    // The window asks whether it may close; during a run this ends the run.
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

    int currentTaskIndex() const;
    const TTask& currentTask() const;
    EvaluationRules rules() const;
    QDateTime now() const;
    QString resultFolder() const;

    void askTask();
    void evaluateTask(bool answered);
    void evaluateAndMoveOn(bool answered);
    void moveOn();
    int findOpenPosition(int from, bool includeCurrent) const;
    void showFeedback(const TTask& task, const TaskFeedback& feedback);
    void sendInfoProcess();
    void finishTest();
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
    bool m_pendingTaskTimeOut = false;
    bool m_pendingTestTimeOut = false;
    // The task on screen has been evaluated (it must not be evaluated again).
    bool m_currentEvaluated = false;
};

} // namespace kvizor
