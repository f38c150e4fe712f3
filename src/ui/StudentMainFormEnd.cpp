// Interrupted runs at start-up and before an opening, and the program's end on request.
#include "ui/StudentMainForm.h"

#include "net/ServerClient.h"
#include "run/RunRecovery.h"
#include "ui/ResultOutputs.h"
#include "ui/SilenceablePrompts.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace kvizor {

namespace {

// After its wait for the server, ending gives the run this long to write its outputs before
// the program ends anyway (the run then stays in its journal).
constexpr std::chrono::milliseconds kTerminateGrace{2000};

} // namespace

QString TStudentMainForm::journalFolder() const
{
    return m_journalFolder;
}

bool TStudentMainForm::offerInterruptedRuns(std::function<void()> then)
{
    if (m_terminating || m_loading)
        return false;
    // The question is modal: hand-offs and drops wait for it like for a load.
    m_loading = true;
    const TRunRecovery::Outcome outcome = m_recovery->Offer();
    m_loading = false;
    switch (outcome) {
    case TRunRecovery::Outcome::None:
        return true;
    case TRunRecovery::Outcome::Resumed:
        return false;
    case TRunRecovery::Outcome::Waiting:
        m_afterExchange = std::move(then);
        return false;
    }
    return false;
}

void TStudentMainForm::Terminate()
{
    if (m_terminating || m_closed)
        return;
    m_terminating = true;
    m_silenceablePrompts->setQuiet();
    // The close line does not wait for another program's lock: it goes elsewhere at once.
    m_resultOutputs->SetEventLineWait(std::chrono::milliseconds{0});
    m_pendingHandOff.reset();
    m_afterExchange = nullptr;
    m_closePending = false;
    m_closeWaitTimer->stop();
    // A fetch has nothing to lose; a run's report gets its moment.
    if (!m_run->StepUnderWay())
        m_client->cancel();
    closeModalWindows();
    m_run->Terminate();
    m_terminateClock.start();
    m_terminateTimer->start();
}

// Polled until the run has ended and no exchange or operation is under way.
void TStudentMainForm::continueTermination()
{
    const std::chrono::milliseconds waited(m_terminateClock.elapsed());
    if (waited >= m_terminateWait)
        cancelServerExchange();
    closeModalWindows();
    const bool busy =
        RunState() == rsTesting || exchangeUnderWay() || m_run->OperationUnderWay() || m_loading;
    // Once cut short, a record's step only finishes the write that holds its lock, and that
    // write is waited for in any case before the program can end: waiting here lets the
    // journal learn that it was made.
    const TRunStep step = m_run->Step();
    const bool writing = step == TRunStep::ResultLog || step == TRunStep::ProtectedResult;
    if (busy && (waited < m_terminateWait + kTerminateGrace || writing))
        return;
    m_terminateTimer->stop();
    closeSteps();
    close();
    Q_EMIT terminationFinished();
}

// Every modal box open now answers as if cancelled, so the code that opened it goes on.
void TStudentMainForm::closeModalWindows()
{
    for (int k = 0; k < 32; ++k) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
}

} // namespace kvizor
