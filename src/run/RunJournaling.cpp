// The run journal: telling it about a run, and going on with or closing a run it kept.

#include "RunController.h"

#include "common/TextFormats.h"
#include "journal/RunJournal.h"
#include "results/Grade.h"

#include <QFile>

#include <algorithm>
#include <limits>

namespace kvizor {

namespace {

JournalTestFacts factsOf(const TTest& test)
{
    return JournalTestFacts{test.Marks, test.AllowNetReport};
}

} // namespace

void TRunController::beginJournal()
{
    m_journalLive = false;
    if (m_journal == nullptr)
        return;
    const JournalTestFacts facts = factsOf(*m_test);
    if (m_test->ReceivedBytesFile.isEmpty()) {
        m_journalLive = true;
        journaled(m_journal->Begin(*m_result, m_runGuid, m_networkOk, facts));
        return;
    }
    // A received test's bytes are written from the kept copy, mapped, not read into memory.
    QFile copy(m_test->ReceivedBytesFile);
    const qint64 size = copy.size();
    uchar* bytes = copy.open(QIODevice::ReadOnly) && size > 0 ? copy.map(0, size) : nullptr;
    m_journalLive = true;
    if (bytes == nullptr) {
        m_outputs.WriteLogLine(formatDateTime(now()) +
                               QStringLiteral(" Журнал теста не ведётся: нет копии полученного теста"));
        m_journalLive = false;
        return;
    }
    journaled(m_journal->Begin(*m_result, m_runGuid, m_networkOk, facts,
                               QByteArrayView(reinterpret_cast<const char*>(bytes), size)));
    copy.unmap(bytes);
}

void TRunController::journaled(bool ok)
{
    if (ok || !m_journalLive)
        return;
    m_journalLive = false;
    m_outputs.WriteLogLine(formatDateTime(now()) + QStringLiteral(" Журнал теста не ведётся: ") +
                           m_journal->ErrorText());
}

void TRunController::journalClocks()
{
    if (IRunJournal* j = journal(); j != nullptr && m_result)
        journaled(j->Clocks(*m_result));
}

void TRunController::discardJournal()
{
    // Also a journal that failed: what it holds is older than the outputs just written.
    if (m_journal != nullptr)
        m_journal->Discard();
    m_journalLive = false;
}

QString TRunController::ResumeMismatch(const JournalRun& run) const
{
    if (!m_test)
        return QStringLiteral("тест не открыт");
    const TResultTest& r = run.Record;
    if (r.TestFileCRC != m_test->FileCRC)
        return QStringLiteral("файл теста изменён");
    if (r.TaskResults.size() != static_cast<qsizetype>(m_tasks.size()))
        return QStringLiteral("в тесте другое число заданий");
    if (r.TaskStates.isEmpty() == m_test->AllowSkipping)
        return QStringLiteral("в тесте другой режим пропуска заданий");
    if (run.TaskOnScreen && !run.CurrentEvaluated) {
        const TTask& task = *m_tasks.at(static_cast<std::size_t>(r.TaskOrder.at(r.CurrentPos)));
        if (r.VariantOrder.size() != (task.HasVariants() ? task.VariantCount() : 0))
            return QStringLiteral("у задания другие варианты ответа");
    }
    return {};
}

// Time is real time: the clocks count the time the program was down. A clock stops at its
// limit, as it would have if the program had run; the limit is acted on once the run is on
// screen again.
void TRunController::catchUpClocks(const JournalRun& run, bool taskOpen)
{
    TResultTest& r = *m_result;
    const qint64 down =
        std::clamp<qint64>(run.ClocksAt.msecsTo(now()) / 1000, 0, std::numeric_limits<std::int32_t>::max());
    const std::int32_t testLimit = m_test->TestTimeLimit;
    qint64 gained = down;
    if (testLimit > 0)
        gained = std::min<qint64>(gained, std::max<qint64>(0, std::int64_t(testLimit) - r.ElapsedSeconds));
    r.ElapsedSeconds = static_cast<std::int32_t>(
        std::min<qint64>(std::int64_t(r.ElapsedSeconds) + (testLimit > 0 ? gained : down),
                         std::numeric_limits<std::int32_t>::max()));
    if (!taskOpen)
        return;
    const int i = currentTaskIndex();
    const std::int32_t seconds = r.GetTaskSeconds(i);
    qint64 taskSeconds = std::int64_t(seconds) + gained;
    const std::int32_t taskLimit = currentTask().TimeLimit;
    if (taskLimit > 0)
        taskSeconds = std::min<qint64>(taskSeconds, std::max(seconds, taskLimit));
    r.SetTaskSeconds(i, static_cast<std::int32_t>(
                            std::min<qint64>(taskSeconds, std::numeric_limits<std::int32_t>::max())));
}

bool TRunController::ResumeRun(const JournalRun& run)
{
    Entry entry(*this);
    if (m_state != rsTestLoaded || m_step != TRunStep::None || m_terminating || run.Ended ||
        !ResumeMismatch(run).isEmpty())
        return false;
    m_result = std::make_unique<TResultTest>(run.Record);
    m_runGuid = run.RunGUID;
    m_networkOk = run.NetworkOK;
    m_dialogUserName = run.Record.UserName;
    m_dialogUserGroup = run.Record.UserGroup;
    m_journalLive = m_journal != nullptr;
    if (m_journal != nullptr)
        journaled(m_journal->Resume(run));
    m_outputs.WriteLogLine(formatDateTime(now()) + QStringLiteral(" Продолжен тест: \"") + m_test->Title +
                           QLatin1Char('"'));

    const bool taskOpen = run.TaskOnScreen && !run.CurrentEvaluated;
    catchUpClocks(run, taskOpen);
    journalClocks();

    fillGoToList();
    m_view.SetProgressMaximum(m_result->TaskCount);
    m_view.SetRunCommandsVisible(m_test->PenaltyMode, m_test->AllowSkipping);
    m_state = rsTesting;
    RefreshStatusPanels();
    startTestClock();
    // Expiries are acted on when this returns, once the task is on screen: the test time
    // first (the task on screen evaluated as at any time-out), else the task's.
    if (showTestTime())
        m_pendingTestTimeOut = true;
    if (taskOpen) {
        if (!putTaskOnScreen())
            return true;
        startTaskClock();
        const bool expired = showTaskTime(m_result->GetTaskSeconds(currentTaskIndex()));
        m_pendingTaskTimeOut = expired && !m_pendingTestTimeOut;
        m_view.SetCheckCommandEnabled(false);
        m_view.SetProgressPosition(m_result->AskedCount);
    } else if (run.TaskOnScreen) {
        // Evaluated, and its progress report made or lost: the run moves on.
        m_currentEvaluated = true;
        afterEvaluation(AfterEvaluation::MoveOn);
    } else {
        askTask();
    }
    return true;
}

bool TRunController::CloseInterruptedRun(const JournalRun& run)
{
    Entry entry(*this);
    if (m_state == rsTesting || m_step != TRunStep::None || m_closing)
        return false;
    m_closing = std::make_unique<TResultTest>(run.Record);
    TResultTest& r = *m_closing;
    m_journalLive = m_journal != nullptr;
    if (m_journal != nullptr)
        journaled(m_journal->Resume(run));
    if (!run.Ended) {
        // The run ended with the program: when it was last heard of.
        r.EndReason = erProgramClosed;
        r.EndTime = TResultTest::FromDateTime(run.LastEventAt.toLocalTime());
        r.TestDate = r.EndTime;
        ChooseMark(r, run.Test.Marks);
        if (IRunJournal* j = journal())
            journaled(j->End(r));
    }
    const bool reports = m_config.IsSendResult && run.Test.AllowNetReport;
    writeEndOutputs(r, run.RunGUID, reports, run.OutputsDone, [this] { m_closing.reset(); });
    return true;
}

} // namespace kvizor
