#include "RunRecovery.h"

#include "RunController.h"
#include "RunTexts.h"

#include "common/TextFormats.h"
#include "journal/JournalStore.h"
#include "model/Crc32.h"
#include "model/ReceivedCopy.h"
#include "model/TestLoader.h"

#include <QDateTime>
#include <QFileInfo>

namespace kvizor {

namespace {

// The test of a journaled run, loaded again: the same bytes as when the run began (a test
// received or converted in memory comes from the journal). The opening
// password was given then, so it is not asked again. Empty why when loaded.
TLoadResult loadSameTest(const JournalRun& run, QString* why)
{
    TLoadOptions options;
    options.SkipOpenPassword = true;
    const TResultTest& r = run.Record;
    TLoadResult loaded;
    if (run.TestFromServer) {
        // The journal's MAC vouches for its bytes. A quiz converted in memory is kept the same
        // way and is known by its source's CRC.
        loaded = LoadTestData(r.TestFileName, run.TestBytes, {}, 0, options);
        if (loaded.loaded())
            loaded.Test->FileCRC = r.TestFileCRC;
    } else {
        if (!QFileInfo(r.TestFileName).isFile()) {
            *why = QStringLiteral("файл теста не найден");
            return loaded;
        }
        // Checked before loading, since the password is not asked for this file only.
        if (FileCRC32(r.TestFileName) != r.TestFileCRC) {
            *why = QStringLiteral("файл теста изменён");
            return loaded;
        }
        loaded = LoadTestFile(r.TestFileName, {}, options);
    }
    if (!loaded.loaded())
        *why = QStringLiteral("тест не загружается");
    else if (loaded.Test->FileCRC != r.TestFileCRC)
        *why = QStringLiteral("файл теста изменён");
    return loaded;
}

} // namespace

TRunRecovery::TRunRecovery(JournalStore& store, TRunController& controller, IRunPrompts& prompts,
                           IRunOutputs& outputs)
    : m_store(store), m_controller(controller), m_prompts(prompts), m_outputs(outputs)
{
}

QString TRunRecovery::ResumeQuestion(const InterruptedRun& run)
{
    const TResultTest& r = run.Run.Record;
    QString who = r.UserName;
    if (!r.UserGroup.isEmpty())
        who += QStringLiteral(", ") + r.UserGroup;
    return QStringLiteral("Продолжить прерванный тест \"%1\" (%2, начат %3)?")
        .arg(r.TestTitle, who, formatDateTime(TResultTest::ToDateTime(r.StartTime)));
}

QString TRunRecovery::CannotResumeMessage(const QString& title, const QString& why)
{
    return QStringLiteral("Прерванный тест \"%1\" нельзя продолжить: %2.\r\nОн записан как прерванный.")
        .arg(title, why);
}

void TRunRecovery::noteProblem(const QString& path, const QString& setAsidePath, const QString& problem)
{
    if (m_noted.contains(path))
        return;
    m_noted.insert(path);
    const QString what =
        setAsidePath.isEmpty()
            ? QStringLiteral("Журнал прерванного теста не прочитан (%1): %2").arg(path, problem)
            : QStringLiteral("Журнал прерванного теста повреждён и отложен (%1): %2")
                  .arg(setAsidePath, problem);
    m_outputs.WriteLogLine(formatDateTime(QDateTime::currentDateTime()) + QLatin1Char(' ') + what);
}

TRunRecovery::Outcome TRunRecovery::Offer()
{
    if (m_controller.RunState() == rsTesting || m_controller.StepUnderWay())
        return Outcome::None;
    const JournalListing listing = m_store.ListInterrupted();
    for (const JournalProblem& problem : listing.Problems)
        noteProblem(problem.Path, problem.SetAsidePath, problem.Problem);
    for (const InterruptedRun& run : listing.Runs) {
        if (m_handled.contains(run.Path))
            continue;
        m_handled.insert(run.Path);
        if (run.Run.Ended) {
            const Outcome outcome = close(run);
            if (outcome != Outcome::None)
                return outcome;
            continue;
        }
        const bool yes = m_prompts.AskYesNoDefaultYes(texts::AttentionCaption, ResumeQuestion(run));
        // The program was told to end while it asked: nobody answered, the run waits for the
        // next start.
        if (m_controller.Terminating())
            return Outcome::None;
        const Outcome outcome = yes ? resume(run) : close(run);
        if (outcome != Outcome::None)
            return outcome;
    }
    return Outcome::None;
}

TRunRecovery::Outcome TRunRecovery::close(const InterruptedRun& run)
{
    m_controller.CloseInterruptedRun(run.Run);
    return m_controller.StepUnderWay() ? Outcome::Waiting : Outcome::None;
}

TRunRecovery::Outcome TRunRecovery::resume(const InterruptedRun& listed)
{
    JournalProblem problem;
    const JournalReadResult read = m_store.ReadForResume(listed.Path, &problem);
    if (read.Status != JournalStatus::Ok) {
        if (read.Status != JournalStatus::Empty)
            noteProblem(problem.Path, problem.SetAsidePath, problem.Problem);
        return Outcome::None;
    }
    const InterruptedRun run{listed.Path, read.Run, read.TailCut};
    QString why;
    TLoadResult loaded = loadSameTest(run.Run, &why);
    if (why.isEmpty()) {
        if (m_controller.RunState() == rsTestLoaded)
            m_controller.ACloseTestExecute();
        if (run.Run.TestFromServer)
            KeepReceivedCopy(*loaded.Test, run.Run.TestBytes);
        m_controller.BeginLoading();
        if (!m_controller.TestLoaded(std::move(loaded.Test), std::move(loaded.Tasks)))
            why = QStringLiteral("тест не загружается");
        else
            why = m_controller.ResumeMismatch(run.Run);
        if (why.isEmpty()) {
            if (m_controller.ResumeRun(run.Run))
                return Outcome::Resumed;
            why = QStringLiteral("продолжение невозможно");
        }
        if (m_controller.RunState() == rsTestLoaded)
            m_controller.ACloseTestExecute();
    }
    m_prompts.ShowMessage(texts::AttentionCaption, CannotResumeMessage(run.Run.Record.TestTitle, why),
                          MessageIcon::Warning);
    return close(run);
}

} // namespace kvizor
