#include "RunController.h"

#include "RunTexts.h"
#include "SystemNames.h"
#include "TaskOrder.h"

#include "common/Guid.h"
#include "common/Shuffle.h"
#include "common/TextFormats.h"
#include "config/ProgramFolder.h"
#include "journal/RunJournal.h"
#include "results/Grade.h"
#include "results/ProtectedResultFile.h"
#include "results/SharedFileWriter.h"

#include <QTimer>

#include <algorithm>
#include <limits>

namespace kvizor {

namespace {

// Stands in for the dialogs while the program ends: nothing is shown, nothing confirmed.
class SilentPrompts : public IRunPrompts
{
public:
    void ShowMessage(const QString&, const QString&, MessageIcon) override {}
    bool AskYesNo(const QString&, const QString&, MessageIcon) override { return false; }
    std::optional<QString> AskPassword() override { return std::nullopt; }
    IdentificationResult Identify(const IdentificationRequest& request) override
    {
        return {false, request.UserName, request.UserGroup};
    }
    void ShowRichTextViewer(const QString&, const QString&) override {}
};

} // namespace

RunEnvironment RunEnvironment::System()
{
    RunEnvironment env;
    env.Now = [] { return QDateTime::currentDateTime(); };
    env.PlainText = [](const QString& text) { return text; };
    env.ProgramFolder = [] { return kvizor::ProgramFolder(); };
    env.ComputerName = SystemComputerName();
    env.ComputerUserName = SystemUserName();
    return env;
}

TRunController::TRunController(TConfig& config, IRunView& view, IRunPrompts& prompts, IRunOutputs& outputs,
                               IRunNetwork& network, RunEnvironment environment)
    : m_config(config), m_view(view), m_prompts(prompts), m_outputs(outputs), m_network(network),
      m_env(std::move(environment)), m_silentPrompts(std::make_unique<SilentPrompts>()),
      m_fileWriter(std::make_unique<SharedFileWriter>())
{
    if (!m_env.Now)
        m_env.Now = [] { return QDateTime::currentDateTime(); };
    if (!m_env.PlainText)
        m_env.PlainText = [](const QString& text) { return text; };
    if (!m_env.ProgramFolder)
        m_env.ProgramFolder = [] { return kvizor::ProgramFolder(); };
    if (m_env.RealTimers) {
        m_taskTimer = std::make_unique<QTimer>();
        m_testTimer = std::make_unique<QTimer>();
        m_taskTimer->setInterval(1000);
        m_testTimer->setInterval(1000);
        m_taskTimer->callOnTimeout([this] { TimerTaskTimer(); });
        m_testTimer->callOnTimeout([this] { TimerTestTimer(); });
    }
}

TRunController::~TRunController()
{
    m_alive.reset();
    // A record that has not got its lock stays in the journal; the next start writes it.
    cutStep(LockWaitEnd::Abandon);
}

IRunPrompts& TRunController::prompts()
{
    return m_terminating ? *m_silentPrompts : m_prompts;
}

void TRunController::CancelStep()
{
    // Nothing is lost either way: a closing window writes the record elsewhere now, an ending
    // program leaves it to the journal.
    cutStep(m_terminating ? LockWaitEnd::Abandon : LockWaitEnd::Divert);
}

void TRunController::cutStep(LockWaitEnd how)
{
    switch (m_step) {
    case TRunStep::None:
        return;
    case TRunStep::ResultLog:
        m_outputs.EndLogWait(how);
        return;
    case TRunStep::ProtectedResult:
        m_fileWriter->EndWaits(how);
        return;
    case TRunStep::Begin:
    case TRunStep::Evaluation:
    case TRunStep::End:
        m_network.Cancel();
        return;
    }
}

bool TRunController::reportsToServer() const
{
    return m_config.IsSendResult && m_test->AllowNetReport;
}

void TRunController::runStep(TRunStep step, bool started, const StepStart& start,
                             std::function<void(bool ok)> then)
{
    if (!started) {
        then(true);
        return;
    }
    m_step = step;
    m_stepThen = std::move(then);
    const quint64 serial = ++m_stepSerial;
    const std::weak_ptr<bool> alive = m_alive;
    start([this, alive, serial](bool ok) {
        if (!alive.expired())
            endStep(serial, ok);
    });
}

void TRunController::endStep(quint64 serial, bool ok)
{
    if (serial != m_stepSerial || m_step == TRunStep::None)
        return;
    {
        Entry entry(*this);
        m_step = TRunStep::None;
        const std::function<void(bool)> then = std::move(m_stepThen);
        m_stepThen = nullptr;
        then(ok);
    }
    if (m_step == TRunStep::None && m_depth == 0 && m_stepEnded)
        m_stepEnded();
}

void TRunController::BeginLoading()
{
    if (m_state == rsNoTest)
        RefreshStatusPanels();
}

bool TRunController::TestLoaded(std::unique_ptr<TTest> test, TTaskList tasks)
{
    if (m_state != rsNoTest || m_step != TRunStep::None || !test)
        return false;
    m_test = std::move(test);
    m_tasks = std::move(tasks);
    m_state = rsTestLoaded;
    RefreshStatusPanels();
    return true;
}

int TRunController::currentTaskIndex() const
{
    return m_result->TaskOrder.at(m_result->CurrentPos);
}

const TTask& TRunController::currentTask() const
{
    return *m_tasks.at(static_cast<std::size_t>(currentTaskIndex()));
}

EvaluationRules TRunController::rules() const
{
    EvaluationRules r;
    r.EducationMode = m_test->EducationMode;
    r.PenaltyMode = m_test->PenaltyMode;
    r.NoPartialCredit = m_test->NoPartialCredit;
    return r;
}

QDateTime TRunController::now() const
{
    return m_env.Now();
}

QString TRunController::resultFolder() const
{
    return m_config.DirForResult.isEmpty() ? m_env.ProgramFolder() : m_config.DirForResult;
}

QString TRunController::TrimName(const QString& text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from).unicode() <= 0x20)
        ++from;
    while (to > from && text.at(to - 1).unicode() <= 0x20)
        --to;
    return text.mid(from, to - from);
}

QString TRunController::HintCaption(const TTask& task)
{
    if (task.Hint.isEmpty())
        return QString();
    if (task.HintPenalty <= 0)
        return texts::HintQuestion;
    return QStringLiteral("%1 Штраф %2 %3.")
        .arg(texts::HintQuestion)
        .arg(task.HintPenalty)
        .arg(PointsWord(task.HintPenalty));
}

QString TRunController::VariantLabelText(const TTask& task)
{
    const int n = task.VariantCount();
    switch (task.TaskType) {
    case ttSingleChoice:
        return QStringLiteral("Выберите один из %1 вариантов ответа:").arg(n);
    case ttMultipleChoice:
        return QStringLiteral("Выберите несколько из %1 вариантов ответа:").arg(n);
    case ttOrdering:
        return QStringLiteral("Укажите порядок следования всех %1 вариантов ответа:").arg(n);
    case ttMatching:
        return QStringLiteral("Укажите соответствие для всех %1 вариантов ответа:").arg(n);
    case ttTrueFalse:
        return QStringLiteral("Укажите истинность или ложность для %1 вариантов ответа:").arg(n);
    case ttNumber:
        return QStringLiteral("Введите число:");
    case ttText:
        return QStringLiteral("Введите ответ:");
    case ttImagePoint:
        return QStringLiteral("Укажите место на изображении:");
    default:
        break;
    }
    return QString();
}

// ---- starting a run ----

void TRunController::BeginTest()
{
    Entry entry(*this);
    if (m_state != rsTestLoaded || m_step != TRunStep::None || !m_test || m_terminating)
        return;
    TTest& test = *m_test;

    if (!test.StartPassword.isEmpty()) {
        const std::optional<QString> password = prompts().AskPassword();
        if (!password)
            return;
        if (*password != test.StartPassword) {
            prompts().ShowMessage(texts::ErrorCaption, texts::WrongPassword, MessageIcon::Error);
            return;
        }
    }

    IdentificationRequest request;
    request.UserName = m_dialogUserName.isEmpty() ? m_config.DefaultUserName : m_dialogUserName;
    request.UserGroup = m_dialogUserGroup.isEmpty() ? m_config.DefaultUserGroup : m_dialogUserGroup;
    request.UserNameExpression = m_config.UserNameExpression;
    request.UserGroupExpression = m_config.UserGroupExpression;
    request.UserNameExample = m_config.UserNameExample;
    request.UserGroupExample = m_config.UserGroupExample;
    const IdentificationResult who = prompts().Identify(request);
    m_dialogUserName = who.UserName;
    m_dialogUserGroup = who.UserGroup;
    if (!who.Accepted)
        return;
    const QString userName = TrimName(who.UserName);
    if (userName.isEmpty())
        return;

    const QList<int> order = BuildTaskOrder(test, m_tasks);
    if (order.isEmpty()) {
        // Nothing to ask (no tasks, or every topic's quota is 0): a run could not show a task.
        prompts().ShowMessage(texts::AttentionCaption, texts::NoTasksToAsk, MessageIcon::Warning);
        return;
    }

    aShowTestInstructionExecute();
    if (m_state != rsTestLoaded)
        return;

    auto result = std::make_unique<TResultTest>(static_cast<int>(m_tasks.size()));
    result->UserName = userName;
    result->UserGroup = TrimName(who.UserGroup);
    result->TestFileName = test.FileName;
    result->TestFileCRC = test.FileCRC;
    result->TestUId = test.UId;
    result->TestTitle = test.Title;
    result->ComputerName = ShortComputerName(m_env.ComputerName);
    result->ComputerUserName =
        m_env.ComputerUserName.size() <= kMaxSystemNameLength ? m_env.ComputerUserName : QString();

    result->TaskOrder = order;
    result->TaskCount = static_cast<std::int32_t>(order.size());
    std::int64_t maxPoints = 0;
    for (int i : order)
        maxPoints += m_tasks[static_cast<std::size_t>(i)]->Weight;
    result->MaxPoints = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        maxPoints, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    if (test.AllowSkipping)
        result->TaskStates.fill(-1, result->TaskCount);
    m_result = std::move(result);
    fillGoToList();

    m_runGuid = NewGuidString();
    m_networkOk = true;

    m_outputs.WriteLogLine(formatDateTime(now()) + QStringLiteral(" Начат тест: \"") + test.Title +
                           QLatin1Char('"'));

    runStep(
        TRunStep::Begin, reportsToServer(),
        [this](const IRunNetwork::Done& done) { m_network.SendInfoBegin(m_runGuid, *m_result, done); },
        [this](bool ok) {
            progressReported(ok);
            startRun();
        });
}

// The go-to list of a run that allows skipping, each item's image after TaskStates.
void TRunController::fillGoToList()
{
    m_view.SetGoToItems({});
    if (!m_test->AllowSkipping)
        return;
    const TResultTest& r = *m_result;
    QStringList items;
    for (int pos = 0; pos < r.TaskOrder.size(); ++pos) {
        const QString question =
            m_env.PlainText(m_tasks[static_cast<std::size_t>(r.TaskOrder.at(pos))]->Question);
        items.append(QStringLiteral("%1) %2").arg(pos + 1).arg(question));
    }
    m_view.SetGoToItems(items);
    for (int pos = 0; pos < r.TaskStates.size(); ++pos) {
        const int state = r.TaskStates.at(pos);
        if (state >= 0)
            m_view.SetGoToItemImage(pos, state >= 1 ? giAnswered : giShown);
    }
}

void TRunController::startRun()
{
    if (m_state != rsTestLoaded || !m_result)
        return;
    m_view.SetProgressMaximum(m_result->TaskCount);
    m_view.SetRunCommandsVisible(m_test->PenaltyMode, m_test->AllowSkipping);

    m_result->StartTime = TResultTest::FromDateTime(now());
    m_result->CurrentPos = 0;
    beginJournal();
    m_state = rsTesting;
    RefreshStatusPanels();
    startTestClock();
    askTask();
}

void TRunController::aShowTestInstructionExecute()
{
    Entry entry(*this);
    if (m_state == rsNoTest || m_step != TRunStep::None || !m_test || m_test->Instruction.isEmpty())
        return;
    prompts().ShowRichTextViewer(QStringLiteral("Инструкция к тесту \"%1\"").arg(m_test->Title),
                                 m_test->Instruction);
}

// ---- showing a task ----

void TRunController::AskTask()
{
    Entry entry(*this);
    if (m_step == TRunStep::None)
        askTask();
}

void TRunController::askTask()
{
    if (m_state != rsTesting)
        return;
    TResultTest& r = *m_result;
    ++r.AskedCount;
    if (m_test->AllowSkipping)
        r.TaskStates[r.CurrentPos] = 0;
    const TTask& task = currentTask();
    // A task shown again starts afresh: a new variant order and empty controls.
    r.VariantOrder.clear();
    if (task.HasVariants()) {
        for (int k = 0; k < task.VariantCount(); ++k)
            r.VariantOrder.append(k);
        if (m_test->RandomVariantOrder)
            ShuffleIndexes(r.VariantOrder);
    }
    if (!putTaskOnScreen())
        return;
    startTaskClock();
    // The first tick at once shows the task's time; an expiry here is acted on when the
    // command that showed the task returns.
    if (taskTick())
        m_pendingTaskTimeOut = true;
    m_view.SetCheckCommandEnabled(false);
    m_view.SetProgressPosition(r.AskedCount);
    if (IRunJournal* j = journal())
        journaled(j->TaskShown(r));
}

bool TRunController::putTaskOnScreen()
{
    const TResultTest& r = *m_result;
    m_view.CloseEnlargedImage();
    if (m_test->AllowSkipping)
        m_view.SetGoToItemImage(r.CurrentPos, giShown);
    m_currentEvaluated = false;
    m_pendingTaskTimeOut = false;

    const TTask& task = currentTask();
    TaskScreen screen;
    screen.Task = &task;
    screen.TaskIndex = currentTaskIndex();
    screen.QuestionLabel = QStringLiteral("Вопрос # %1 из %2:").arg(r.CurrentPos + 1).arg(r.TaskCount);
    screen.VariantLabel = VariantLabelText(task);
    screen.VariantOrder = r.VariantOrder;
    screen.HintCaption = HintCaption(task);
    screen.AllowSkipping = m_test->AllowSkipping;
    screen.TempFolder = m_test->TempFolder;
    const int next = m_test->AllowSkipping            ? findOpenPosition(r.CurrentPos, false)
                     : r.CurrentPos < r.TaskCount - 1 ? r.CurrentPos + 1
                                                      : -1;
    screen.NextTask = next >= 0 ? m_tasks[static_cast<std::size_t>(r.TaskOrder.at(next))].get() : nullptr;
    m_view.ShowTask(screen);
    if (m_state != rsTesting)
        return false;

    m_view.SetStatusPanel(1, QStringLiteral("%1/%2").arg(r.CurrentPos + 1).arg(r.TaskCount));
    m_view.SetStatusPanel(9, QStringLiteral("Цена %1 %2").arg(task.Weight).arg(PointsWord(task.Weight)));
    return true;
}

void TRunController::VariantClick()
{
    // After the evaluation the answer is final, so nothing enables the check again.
    if (m_state != rsTesting || m_step != TRunStep::None || m_currentEvaluated)
        return;
    m_view.SetCheckCommandEnabled(true);
    const TTask& task = currentTask();
    if (task.TaskType != ttOrdering)
        return;
    // A place given twice cannot be checked; an incomplete ordering can.
    std::array<QString, TaskAnswer::SlotCount> marks;
    const QList<int> twice = DuplicatePlaceSlots(m_view.ReadAnswer(), task.VariantCount());
    for (int k : twice)
        marks[static_cast<std::size_t>(k)] = QStringLiteral("?");
    m_view.SetSlotMarks(marks);
    if (!twice.isEmpty())
        m_view.SetCheckCommandEnabled(false);
}

// ---- evaluation and moving on ----

void TRunController::ACheckAskTaskExecute()
{
    Entry entry(*this);
    if (m_state != rsTesting || m_step != TRunStep::None)
        return;
    evaluateAndMoveOn(true);
}

void TRunController::aIDoNotKnowExecute()
{
    Entry entry(*this);
    if (m_state != rsTesting || m_step != TRunStep::None)
        return;
    evaluateAndMoveOn(false);
}

void TRunController::evaluateAndMoveOn(bool answered)
{
    evaluateTask(answered, AfterEvaluation::MoveOn);
}

// Scores the task on screen (once), reports it, and then goes on as then says. A task
// evaluated already goes straight on.
void TRunController::evaluateTask(bool answered, AfterEvaluation then)
{
    if (m_state != rsTesting)
        return;
    if (m_currentEvaluated) {
        afterEvaluation(then);
        return;
    }
    m_currentEvaluated = true;
    m_pendingTaskTimeOut = false;
    stopTaskClock();
    m_view.CloseEnlargedImage();
    m_view.ClearQuestionImage();

    TResultTest& r = *m_result;
    if (m_test->AllowSkipping)
        r.TaskStates[r.CurrentPos] = 1;
    const int i = currentTaskIndex();
    const TTask& task = currentTask();
    const TaskAnswer answer = answered ? m_view.ReadAnswer() : TaskAnswer();
    const TaskEvaluation evaluation =
        EvaluateTask(task, answer, r.VariantOrder, answered, r.GetTaskPenalty(i), rules(),
                     FeedbackColours::FromConfig(m_config));
    recordEvaluation(i, evaluation);

    if (evaluation.Feedback)
        showFeedback(task, *evaluation.Feedback);
    if (m_state != rsTesting)
        return;
    if (m_test->AllowSkipping)
        m_view.SetGoToItemImage(r.CurrentPos, giAnswered);
    runStep(
        TRunStep::Evaluation, reportsToServer() && m_networkOk,
        [this](const IRunNetwork::Done& done) { m_network.SendInfoProcess(m_runGuid, *m_result, done); },
        [this, then](bool ok) {
            progressReported(ok);
            afterEvaluation(then);
        });
}

// A failed progress report is shown, and no more are sent in this run.
void TRunController::progressReported(bool ok)
{
    if (ok)
        return;
    m_networkOk = false;
    if (IRunJournal* j = journal())
        journaled(j->NetworkChanged(false));
    showNoServer();
}

void TRunController::recordEvaluation(int taskIndex, const TaskEvaluation& evaluation)
{
    ApplyEvaluation(*m_result, taskIndex, evaluation);
    if (IRunJournal* j = journal())
        journaled(j->TaskEvaluated(*m_result));
}

void TRunController::afterEvaluation(AfterEvaluation then)
{
    if (m_state != rsTesting)
        return;
    switch (then) {
    case AfterEvaluation::MoveOn:
        // The test time ran out while the feedback or the report was under way: the run
        // ends here, without evaluating the task again; so it does when the program ends.
        if (m_pendingTestTimeOut)
            testTimeOut();
        else if (m_terminating)
            closeRun();
        else
            moveOn();
        return;
    case AfterEvaluation::Stop:
        m_result->EndReason = erStopped;
        finishTest();
        return;
    case AfterEvaluation::TimeOut:
        m_result->EndReason = erTimeOut;
        prompts().ShowMessage(texts::AttentionCaption, texts::TestTimeOut, MessageIcon::Warning);
        finishTest();
        return;
    }
}

void TRunController::showFeedback(const TTask& task, const TaskFeedback& feedback)
{
    m_view.ShowFeedback(feedback);
    if (feedback.OfferExplanation) {
        if (prompts().AskYesNo(texts::FeedbackCaption, feedback.Message, MessageIcon::Information))
            prompts().ShowRichTextViewer(QStringLiteral("Пояснение к ответу"), task.Explanation);
    } else {
        prompts().ShowMessage(texts::FeedbackCaption, feedback.Message, MessageIcon::Information);
    }
    m_view.ClearFeedbackColours();
}

void TRunController::showNoServer()
{
    prompts().ShowMessage(texts::ErrorCaption, texts::NoServer, MessageIcon::Error);
}

int TRunController::findOpenPosition(int from, bool includeCurrent) const
{
    const QList<int>& states = m_result->TaskStates;
    for (int p = from + 1; p < states.size(); ++p) {
        if (states.at(p) < 1)
            return p;
    }
    const int last = includeCurrent ? from : from - 1;
    for (int p = 0; p <= last && p < states.size(); ++p) {
        if (states.at(p) < 1)
            return p;
    }
    return -1;
}

void TRunController::moveOn()
{
    TResultTest& r = *m_result;
    if (m_test->AllowSkipping) {
        const int pos = findOpenPosition(r.CurrentPos, false);
        if (pos >= 0) {
            r.CurrentPos = pos;
            askTask();
            return;
        }
    } else if (r.CurrentPos < r.TaskCount - 1) {
        ++r.CurrentPos;
        askTask();
        return;
    }
    r.EndReason = erFinished;
    finishTest();
}

void TRunController::aSkippingTaskExecute()
{
    Entry entry(*this);
    if (m_state != rsTesting || m_step != TRunStep::None || !m_test->AllowSkipping)
        return;
    TResultTest& r = *m_result;
    const int pos = findOpenPosition(r.CurrentPos, true);
    if (pos < 0)
        return;
    r.CurrentPos = pos;
    // AskTask counts the task again, so a skip does not advance the progress.
    --r.AskedCount;
    askTask();
}

void TRunController::GoToTask(int position)
{
    Entry entry(*this);
    if (m_state != rsTesting || m_step != TRunStep::None || !m_test->AllowSkipping)
        return;
    TResultTest& r = *m_result;
    if (position < 0 || position >= r.TaskStates.size() || position == r.CurrentPos ||
        r.TaskStates.at(position) >= 1)
        return;
    r.CurrentPos = position;
    --r.AskedCount;
    askTask();
}

// ---- ending a run ----

void TRunController::AEndTestExecute()
{
    Entry entry(*this);
    if (m_state != rsTesting || m_step != TRunStep::None)
        return;
    if (!prompts().AskYesNo(texts::RunningCaption, QStringLiteral("Вы желаете остановить тест?"),
                            MessageIcon::Question))
        return;
    // An answer that comes after the program was told to end is not taken.
    if (m_state != rsTesting || m_step != TRunStep::None || m_terminating)
        return;
    evaluateTask(true, AfterEvaluation::Stop);
}

bool TRunController::FormCloseQuery()
{
    if (m_step != TRunStep::None)
        return false;
    if (m_state != rsTesting)
        return true;
    Entry entry(*this);
    if (!prompts().AskYesNo(texts::RunningCaption,
                            QStringLiteral("Вы желаете выйти из программы во время теста?"),
                            MessageIcon::Question))
        return false;
    if (m_state != rsTesting)
        return true;
    if (m_step != TRunStep::None)
        return false;
    stopTaskClock();
    m_result->EndReason = erProgramClosed;
    finishTest();
    return true;
}

void TRunController::ACloseTestExecute()
{
    if (m_state != rsTestLoaded || m_step != TRunStep::None)
        return;
    m_state = rsNoTest;
    m_test.reset();
    m_tasks.clear();
    m_view.ShowQuestionAreaText(QStringLiteral("Для начала работы выберите тест!..."));
    RefreshStatusPanels();
}

void TRunController::RefreshStatusPanels()
{
    static const char16_t* const stateTexts[] = {u"Тест не выбран", u"Тест выбран", u"Тест идет"};
    m_view.SetStatusPanel(0, QString::fromUtf16(stateTexts[m_state - rsNoTest]));
    const bool loaded = m_state != rsNoTest && m_test;
    m_view.SetStatusPanel(6, loaded && m_test->EducationMode ? QStringLiteral("О") : QString());
    m_view.SetStatusPanel(7, loaded && m_test->PenaltyMode ? QStringLiteral("Ш") : QString());
    m_view.SetStatusPanel(8, loaded && m_test->AllowSkipping ? QStringLiteral("C") : QString());
    if (m_state == rsTesting && m_result) {
        m_view.SetStatusPanel(1,
                              QStringLiteral("%1/%2").arg(m_result->CurrentPos + 1).arg(m_result->TaskCount));
        m_view.SetStatusPanel(10, m_result->UserName + QLatin1Char(' ') + m_result->UserGroup);
        return;
    }
    const QDateTime current = now();
    m_view.SetStatusPanel(1, QString());
    m_view.SetStatusPanel(2, current.toString(QStringLiteral("dd.MM.yy")));
    m_view.SetStatusPanel(3, current.toString(QStringLiteral("hh:mm")));
    m_view.SetStatusPanel(9, QString());
    m_view.SetStatusPanel(10, QString());
    m_view.SetProgressPosition(0);
}

} // namespace kvizor
