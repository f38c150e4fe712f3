// The end of a run and its outputs.

#include "RunController.h"

#include "RunTexts.h"

#include "journal/RunJournal.h"
#include "results/Grade.h"
#include "results/ProtectedResultFile.h"

namespace kvizor {

namespace {

bool written(std::uint8_t done, JournalOutput output)
{
    return (done & (1u << static_cast<unsigned>(output))) != 0;
}

} // namespace

void TRunController::finishTest()
{
    if (m_state != rsTesting)
        return;
    m_state = rsTestLoaded;
    stopTestClock();
    stopTaskClock();
    m_pendingTaskTimeOut = false;
    m_pendingTestTimeOut = false;

    TResultTest& r = *m_result;
    r.EndTime = TResultTest::FromDateTime(now());
    r.TestDate = r.EndTime;
    m_view.ResetTaskArea();
    RefreshStatusPanels();

    ChooseMark(r, m_test->Marks);
    if (IRunJournal* j = journal())
        journaled(j->End(r));
    m_outputs.PlayEndTestSound();
    m_outputs.ShowUserResult(r, *m_test);
    writeEndOutputs(r, m_runGuid, reportsToServer(), 0, [this] { showResults(); });
}

void TRunController::closeRun()
{
    if (m_state != rsTesting)
        return;
    stopTaskClock();
    m_result->EndReason = erProgramClosed;
    finishTest();
}

void TRunController::writeEndOutputs(const TResultTest& r, const QString& runGuid, bool reports,
                                     std::uint8_t done, std::function<void()> then)
{
    const auto outputDone = [this](JournalOutput output) {
        if (IRunJournal* j = journal())
            journaled(j->OutputDone(output));
    };
    if (!written(done, JournalOutput::ResultLog)) {
        m_outputs.SaveResultLog(r);
        outputDone(JournalOutput::ResultLog);
    }
    if (!written(done, JournalOutput::ProtectedResult)) {
        saveProtectionResult(r);
        outputDone(JournalOutput::ProtectedResult);
    }
    const bool due = reports && !written(done, JournalOutput::ServerResult);
    report(
        TRunStep::End, due,
        [this, &r, runGuid](const IRunNetwork::Done& sent) { m_network.SendResult(runGuid, r, sent); },
        [this, due, outputDone, then = std::move(then)](bool ok) {
            if (!ok)
                showNoServer();
            // A RESULT cut short by the program's end stays due: the journal is kept, and the
            // next start sends it.
            if (due && !ok && m_terminating) {
                m_journalLive = false;
            } else {
                if (due)
                    outputDone(JournalOutput::ServerResult);
                discardJournal();
            }
            then();
        });
}

// The outputs after RESULT; the run record goes with the last of them. Nothing is shown
// while the program ends.
void TRunController::showResults()
{
    const TResultTest& r = *m_result;
    if (!m_terminating) {
        if (m_config.IsShowUserResult)
            m_outputs.ShowResultWindow(r, *m_test);
        else
            prompts().ShowMessage(QStringLiteral("Результаты тестирования"), texts::ResultsFromTeacher,
                                  MessageIcon::Warning);
        if (m_test->EducationMode ? m_config.IsShowDetailReportModeEducation
                                  : m_config.IsShowDetailReportModeNormal)
            m_outputs.ShowDetailReport(r, *m_test, m_tasks);
    }
    m_result.reset();
}

void TRunController::saveProtectionResult(const TResultTest& r)
{
    if (!m_config.IsSaveProtectionResult)
        return;
    const QString fileName = m_config.ProtectionResultFileName.isEmpty() ? kDefaultProtectionResultFileName
                                                                         : m_config.ProtectionResultFileName;
    ProtectionSaveOptions options;
    options.Shared = m_env.SharedResultFiles;
    const ProtectionSaveResult saved = SaveProtectionResult(resultFolder(), fileName, r, options);
    switch (saved.Status) {
    case ProtectionSaveStatus::Saved:
        break;
    case ProtectionSaveStatus::WrongFileType:
        prompts().ShowMessage(texts::ErrorCaption, kWrongFileTypeText, MessageIcon::Error);
        break;
    case ProtectionSaveStatus::Diverted:
    case ProtectionSaveStatus::WriteFailed:
        prompts().ShowMessage(texts::AttentionCaption, ProtectionSaveMessage(saved),
                              MessageIcon::Information);
        break;
    }
}

void TRunController::Terminate()
{
    m_terminating = true;
    // Inside an operation or a step the run ends when it returns (processPending) or when the
    // step goes on (afterEvaluation, or processPending after the run began).
    if (m_depth == 0 && m_step == TRunStep::None)
        closeRun();
}

} // namespace kvizor
