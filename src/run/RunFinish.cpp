// The end of a run and its outputs.

#include "RunController.h"

#include "RunTexts.h"

#include "journal/RunJournal.h"
#include "results/Grade.h"
#include "results/ProtectedResultFile.h"
#include "results/SharedFileWriter.h"

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
    m_endOutputs = std::make_unique<EndOutputs>();
    m_endOutputs->Record = &r;
    m_endOutputs->RunGuid = runGuid;
    m_endOutputs->Reports = reports;
    m_endOutputs->Started = done;
    m_endOutputs->Then = std::move(then);
    nextEndOutput();
}

// Each output is started once, in order; a write whose lock is free ends inside its start, so
// the next one follows at once.
void TRunController::nextEndOutput()
{
    EndOutputs& e = *m_endOutputs;
    const TResultTest& r = *e.Record;
    const auto start = [&e](JournalOutput output) {
        if (written(e.Started, output))
            return false;
        e.Started |= static_cast<std::uint8_t>(1u << static_cast<unsigned>(output));
        return true;
    };
    if (start(JournalOutput::ResultLog)) {
        runStep(
            TRunStep::ResultLog, true,
            [this, &r](const IRunNetwork::Done& done) { m_outputs.SaveResultLog(r, done); },
            [this](bool ok) {
                endOutputWritten(JournalOutput::ResultLog, ok);
                nextEndOutput();
            });
        return;
    }
    if (start(JournalOutput::ProtectedResult)) {
        runStep(
            TRunStep::ProtectedResult, true,
            [this, &r](const IRunNetwork::Done& done) { saveProtectionResult(r, done); },
            [this](bool ok) {
                endOutputWritten(JournalOutput::ProtectedResult, ok);
                nextEndOutput();
            });
        return;
    }
    sendEndResult();
}

void TRunController::endOutputWritten(JournalOutput output, bool ok)
{
    if (!ok) {
        m_endOutputs->Owed = true;
        return;
    }
    if (IRunJournal* j = journal())
        journaled(j->OutputDone(output));
}

void TRunController::sendEndResult()
{
    const EndOutputs& e = *m_endOutputs;
    const bool due = e.Reports && !written(e.Started, JournalOutput::ServerResult);
    runStep(
        TRunStep::End, due,
        [this, &e](const IRunNetwork::Done& sent) { m_network.SendResult(e.RunGuid, *e.Record, sent); },
        [this, due](bool ok) {
            if (!ok)
                showNoServer();
            // A RESULT cut short by the program's end stays due, and so does a record whose
            // wait for its file was abandoned: the journal is kept, and the next start writes
            // or sends them.
            const bool keep = (due && !ok && m_terminating) || m_endOutputs->Owed;
            if (due && (ok || !m_terminating))
                endOutputWritten(JournalOutput::ServerResult, true);
            if (keep)
                m_journalLive = false;
            else
                discardJournal();
            const std::function<void()> then = std::move(m_endOutputs->Then);
            m_endOutputs.reset();
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

void TRunController::saveProtectionResult(const TResultTest& r, const IRunOutputs::WriteDone& done)
{
    if (!m_config.IsSaveProtectionResult) {
        done(true);
        return;
    }
    const QString fileName = m_config.ProtectionResultFileName.isEmpty() ? kDefaultProtectionResultFileName
                                                                         : m_config.ProtectionResultFileName;
    ProtectionSaveOptions options;
    options.Shared = m_env.SharedResultFiles;
    SaveProtectionResult(
        *m_fileWriter, resultFolder(), fileName, r, options, [this, done](const ProtectionSaveResult& saved) {
            switch (saved.Status) {
            case ProtectionSaveStatus::Saved:
                break;
            case ProtectionSaveStatus::Abandoned:
                done(false);
                return;
            case ProtectionSaveStatus::WrongFileType:
                prompts().ShowMessage(texts::ErrorCaption, kWrongFileTypeText, MessageIcon::Error);
                break;
            case ProtectionSaveStatus::Diverted:
            case ProtectionSaveStatus::WriteFailed:
                prompts().ShowMessage(texts::AttentionCaption, ProtectionSaveMessage(saved),
                                      MessageIcon::Information);
                break;
            }
            done(true);
        });
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
