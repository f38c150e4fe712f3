// The clocks and the hint of the run controller.

#include "RunController.h"

#include "RunTexts.h"

#include "common/TextFormats.h"

#include <QTimer>

namespace kvizor {

void TRunController::startTaskClock()
{
    m_taskClockRunning = true;
    if (m_taskTimer)
        m_taskTimer->start();
}

void TRunController::stopTaskClock()
{
    m_taskClockRunning = false;
    if (m_taskTimer)
        m_taskTimer->stop();
}

void TRunController::startTestClock()
{
    m_testClockRunning = true;
    if (m_testTimer)
        m_testTimer->start();
}

void TRunController::stopTestClock()
{
    m_testClockRunning = false;
    if (m_testTimer)
        m_testTimer->stop();
}

void TRunController::TimerTaskTimer()
{
    if (m_state != rsTesting || !m_taskClockRunning)
        return;
    // A tick while an operation or a step is under way is acted on when it has ended.
    const bool insideBox = m_depth > 0 || m_step != TRunStep::None;
    Entry entry(*this);
    if (!taskTick())
        return;
    if (insideBox)
        m_pendingTaskTimeOut = true;
    else
        taskTimeOut();
}

void TRunController::TimerTestTimer()
{
    if (m_state != rsTesting || !m_testClockRunning)
        return;
    const bool insideBox = m_depth > 0 || m_step != TRunStep::None;
    Entry entry(*this);
    if (!testTick())
        return;
    if (insideBox)
        m_pendingTestTimeOut = true;
    else
        testTimeOut();
}

bool TRunController::taskTick()
{
    TResultTest& r = *m_result;
    const int i = currentTaskIndex();
    // The first tick of a first showing turns -1 into 0; a task shown again goes on counting.
    const std::int32_t seconds = r.GetTaskSeconds(i) + 1;
    r.SetTaskSeconds(i, seconds);
    m_view.SetStatusPanel(3, formatDuration(seconds));
    const std::int32_t limit = currentTask().TimeLimit;
    if (limit <= 0) {
        m_view.SetStatusPanel(5, QString());
        return false;
    }
    const std::int64_t remaining = std::int64_t(limit) - seconds;
    m_view.SetStatusPanel(5, formatDuration(remaining), remaining <= 9);
    if (seconds < limit)
        return false;
    stopTaskClock();
    return true;
}

bool TRunController::testTick()
{
    TResultTest& r = *m_result;
    r.IncElapsedSeconds();
    m_view.SetStatusPanel(2, formatDuration(r.ElapsedSeconds));
    const std::int32_t limit = m_test->TestTimeLimit;
    if (limit <= 0)
        return false;
    const std::int64_t remaining = std::int64_t(limit) - r.ElapsedSeconds;
    m_view.SetStatusPanel(4, formatDuration(remaining), remaining <= 9);
    if (r.ElapsedSeconds < limit)
        return false;
    stopTestClock();
    return true;
}

void TRunController::taskTimeOut()
{
    m_pendingTaskTimeOut = false;
    if (m_state != rsTesting || m_currentEvaluated)
        return;
    m_prompts.ShowMessage(texts::AttentionCaption, texts::TaskTimeOut, MessageIcon::Warning);
    if (m_state != rsTesting)
        return;
    // As "Дальше (проверить)": the task is evaluated with whatever its controls hold.
    evaluateAndMoveOn(true);
}

void TRunController::testTimeOut()
{
    m_pendingTestTimeOut = false;
    m_pendingTaskTimeOut = false;
    if (m_state != rsTesting)
        return;
    stopTestClock();
    // A task evaluated already is not evaluated again.
    evaluateTask(true, AfterEvaluation::TimeOut);
}

void TRunController::processPending()
{
    // Runs when the outermost operation returns; a step under way keeps the expiries for
    // its own end. The depth is raised meanwhile so ticks inside the boxes shown here are
    // deferred again, and picked up by the loop.
    if (m_step != TRunStep::None)
        return;
    ++m_depth;
    while (m_state == rsTesting && m_step == TRunStep::None &&
           (m_pendingTestTimeOut || m_pendingTaskTimeOut)) {
        if (m_pendingTestTimeOut)
            testTimeOut();
        else
            taskTimeOut();
    }
    if (m_step == TRunStep::None) {
        m_pendingTestTimeOut = false;
        m_pendingTaskTimeOut = false;
    }
    --m_depth;
}

void TRunController::aShowPromptTaskExecute()
{
    Entry entry(*this);
    if (m_state != rsTesting || m_step != TRunStep::None || m_currentEvaluated)
        return;
    const TTask& task = currentTask();
    if (task.Hint.isEmpty())
        return;
    const int i = currentTaskIndex();
    const std::int32_t p = task.HintPenalty;
    // The question only when the hint costs something and was not shown for this task yet.
    if (p != 0 && m_result->GetTaskPenalty(i) < 0) {
        const QString question =
            p < 1 ? texts::HintQuestion
                  : texts::HintQuestion + QStringLiteral("\r\nШтраф %1 %2.").arg(p).arg(PointsWord(p));
        if (!m_prompts.AskYesNo(texts::FeedbackCaption, question, MessageIcon::Question))
            return;
        if (m_state != rsTesting || m_currentEvaluated)
            return;
    }
    useHint(i, p);
    m_prompts.ShowRichTextViewer(QStringLiteral("Подсказка к заданию..."), task.Hint);
}

void TRunController::useHint(int taskIndex, std::int32_t penalty)
{
    m_result->SetTaskPenalty(taskIndex, penalty);
}

} // namespace kvizor
