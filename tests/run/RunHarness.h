#pragma once

// A scripted screen and scripted dialogs for driving whole runs without widgets.

#include "journal/RunJournal.h"
#include "run/RunController.h"

#include "results/ResultTest.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTest>

#include <functional>
#include <optional>

namespace kvizor::testing {

struct ShownTask
{
    int TaskIndex = 0;
    QString QuestionLabel;
    QString VariantLabel;
    QList<int> VariantOrder;
    QString HintCaption;
    // The task announced as the one after this, for preparing its pictures.
    const TTask* NextTask = nullptr;
};

class ScriptedView : public IRunView
{
public:
    void ShowTask(const TaskScreen& screen) override
    {
        shown.append({screen.TaskIndex, screen.QuestionLabel, screen.VariantLabel, screen.VariantOrder,
                      screen.HintCaption, screen.NextTask});
        answer = TaskAnswer(); // every showing starts with empty controls
        events.append(QStringLiteral("ShowTask %1").arg(screen.TaskIndex));
    }
    void ResetTaskArea() override { events.append(QStringLiteral("ResetTaskArea")); }
    void ShowQuestionAreaText(const QString& text) override { questionAreaText = text; }
    TaskAnswer ReadAnswer() const override
    {
        ++reads;
        return answer;
    }
    void ShowFeedback(const TaskFeedback& f) override
    {
        feedback.append(f);
        events.append(QStringLiteral("ShowFeedback"));
    }
    void ClearFeedbackColours() override { events.append(QStringLiteral("ClearFeedbackColours")); }
    void SetSlotMarks(const std::array<QString, TaskAnswer::SlotCount>& m) override { marks = m; }
    void CloseEnlargedImage() override {}
    void ClearQuestionImage() override {}
    void SetCheckCommandEnabled(bool enabled) override { checkEnabled = enabled; }
    void SetRunCommandsVisible(bool iDoNotKnow, bool skipping) override
    {
        iDoNotKnowVisible = iDoNotKnow;
        skippingVisible = skipping;
    }
    void SetStatusPanel(int panel, const QString& text, bool red) override
    {
        panels[panel] = text;
        redPanels[panel] = red;
        panelLog.append(
            QStringLiteral("%1:%2%3").arg(panel).arg(text, red ? QStringLiteral("!") : QString()));
    }
    void SetGoToItems(const QStringList& items) override
    {
        goToItems = items;
        goToImages.fill(giNeverShown, items.size());
    }
    void SetGoToItemImage(int position, GoToImage image) override
    {
        if (position >= 0 && position < goToImages.size())
            goToImages[position] = image;
    }
    void SetProgressMaximum(int maximum) override { progressMaximum = maximum; }
    void SetProgressPosition(int position) override { progress.append(position); }

    QList<ShownTask> shown;
    TaskAnswer answer;
    mutable int reads = 0;
    QList<TaskFeedback> feedback;
    std::array<QString, TaskAnswer::SlotCount> marks;
    bool checkEnabled = false;
    bool iDoNotKnowVisible = false;
    bool skippingVisible = false;
    QMap<int, QString> panels;
    QMap<int, bool> redPanels;
    QStringList panelLog;
    QStringList goToItems;
    QList<GoToImage> goToImages;
    int progressMaximum = 0;
    QList<int> progress;
    QString questionAreaText;
    QStringList events;
};

struct PromptCall
{
    QString Kind; // "message", "question", "password", "identify", "viewer"
    QString Caption;
    QString Text;
    MessageIcon Icon = MessageIcon::None;
};

class ScriptedPrompts : public IRunPrompts
{
public:
    void ShowMessage(const QString& caption, const QString& text, MessageIcon icon) override
    {
        calls.append({QStringLiteral("message"), caption, text, icon});
        if (whileOpen)
            whileOpen(calls.last());
    }
    bool AskYesNo(const QString& caption, const QString& text, MessageIcon icon) override
    {
        calls.append({QStringLiteral("question"), caption, text, icon});
        if (whileOpen)
            whileOpen(calls.last());
        if (answers.isEmpty())
            return defaultYes;
        return answers.takeFirst();
    }
    std::optional<QString> AskPassword() override
    {
        calls.append({QStringLiteral("password"), QString(), QString(), MessageIcon::None});
        return password;
    }
    IdentificationResult Identify(const IdentificationRequest& request) override
    {
        calls.append({QStringLiteral("identify"), QString(), QString(), MessageIcon::None});
        requests.append(request);
        IdentificationResult r;
        r.Accepted = identifyAccepted;
        r.UserName = userName.value_or(request.UserName);
        r.UserGroup = userGroup.value_or(request.UserGroup);
        return r;
    }
    void ShowRichTextViewer(const QString& caption, const QString& richText) override
    {
        calls.append({QStringLiteral("viewer"), caption, richText, MessageIcon::None});
        if (whileOpen)
            whileOpen(calls.last());
    }

    QStringList kinds() const
    {
        QStringList k;
        for (const PromptCall& c : calls)
            k.append(c.Kind);
        return k;
    }
    int count(const QString& text) const
    {
        int n = 0;
        for (const PromptCall& c : calls)
            n += c.Text == text ? 1 : 0;
        return n;
    }

    QList<PromptCall> calls;
    QList<bool> answers;
    bool defaultYes = true;
    std::optional<QString> password;
    bool identifyAccepted = true;
    std::optional<QString> userName = QStringLiteral("Иванов Иван");
    std::optional<QString> userGroup = QStringLiteral("10 А");
    QList<IdentificationRequest> requests;
    // Runs while a message box, question or viewer is "open" (e.g. to tick the clocks).
    std::function<void(const PromptCall&)> whileOpen;
};

class RecordingOutputs : public IRunOutputs
{
public:
    void WriteLogLine(const QString& line) override { logLines.append(line); }
    void PlayEndTestSound() override { events.append(QStringLiteral("sound")); }
    void ShowUserResult(const TResultTest&, const TTest&) override
    {
        events.append(QStringLiteral("summary"));
    }
    // The record is written at once, or, while holding (another program keeps the log
    // locked), when releaseLog() says whether it was.
    void SaveResultLog(const TResultTest& result, const WriteDone& done) override
    {
        events.append(QStringLiteral("log"));
        finished.append(result);
        if (holdingLog)
            m_waitingLog = done;
        else
            done(true);
    }
    void EndLogWait(LockWaitEnd how) override { logWaitEnds.append(how); }
    void ShowResultWindow(const TResultTest&, const TTest&) override
    {
        events.append(QStringLiteral("window"));
    }
    void ShowDetailReport(const TResultTest&, const TTest&, const TTaskList&) override
    {
        events.append(QStringLiteral("report"));
    }

    bool waitingLog() const { return m_waitingLog != nullptr; }
    void releaseLog(bool written)
    {
        if (!m_waitingLog)
            return;
        const WriteDone done = std::move(m_waitingLog);
        m_waitingLog = nullptr;
        done(written);
    }

    QStringList logLines;
    QStringList events;
    QList<TResultTest> finished;
    bool holdingLog = false;
    QList<LockWaitEnd> logWaitEnds;

private:
    WriteDone m_waitingLog;
};

// Records the reports; each one ends at once, or, while holding (a stalled server), when
// release() says how it ended.
class RecordingNetwork : public IRunNetwork
{
public:
    void SendInfoBegin(const QString& guid, const TResultTest&, const Done& done) override
    {
        calls.append(QStringLiteral("INFOBEGIN"));
        guids.append(guid);
        answer(beginOk, done);
    }
    void SendInfoProcess(const QString& guid, const TResultTest& r, const Done& done) override
    {
        calls.append(QStringLiteral("INFOPROCESS"));
        guids.append(guid);
        process.append(r);
        answer(processOk, done);
    }
    void SendResult(const QString& guid, const TResultTest&, const Done& done) override
    {
        calls.append(QStringLiteral("RESULT"));
        guids.append(guid);
        answer(resultOk, done);
    }
    void Cancel() override
    {
        ++cancels;
        release(false);
    }

    bool waiting() const { return m_waiting != nullptr; }
    void release(bool ok)
    {
        if (!m_waiting)
            return;
        const Done done = std::move(m_waiting);
        m_waiting = nullptr;
        done(ok);
    }

    QStringList calls;
    QStringList guids;
    QList<TResultTest> process;
    bool beginOk = true;
    bool processOk = true;
    bool resultOk = true;
    bool holding = false;
    int cancels = 0;

private:
    void answer(bool ok, const Done& done)
    {
        if (holding)
            m_waiting = done;
        else
            done(ok);
    }

    Done m_waiting;
};

// A controller wired to the scripted parts, with a fixed clock.
struct RunHarness
{
    RunHarness()
    {
        config.IsSaveProtectionResult = false;
        RunEnvironment env;
        env.Now = [this] { return clock; };
        env.PlainText = [](const QString& t) { return t; };
        env.ProgramFolder = [this] { return programFolder; };
        env.ComputerName = QStringLiteral("CLASS-PC7");
        env.ComputerUserName = QStringLiteral("student");
        env.RealTimers = false;
        controller = std::make_unique<TRunController>(config, view, prompts, outputs, network, env);
        controller->SetJournal(&journal);
    }
    ~RunHarness()
    {
        // Whatever a test does with a run, the journal takes every event of it.
        for (const QString& line : outputs.logLines) {
            if (!journalMayFail && line.contains(QStringLiteral("Журнал теста не ведётся")))
                QTest::qFail(qPrintable(line), __FILE__, __LINE__);
        }
    }
    RunHarness(const RunHarness&) = delete;
    RunHarness& operator=(const RunHarness&) = delete;

    TConfig config;
    ScriptedView view;
    ScriptedPrompts prompts;
    RecordingOutputs outputs;
    RecordingNetwork network;
    QDateTime clock = QDateTime(QDate(2024, 3, 15), QTime(10, 30, 0));
    QString programFolder;
    // Every run is journaled in memory, on the harness's clock.
    MemoryRunJournal journal{[this] { return clock.toUTC(); }};
    bool journalMayFail = false;
    std::unique_ptr<TRunController> controller;

    TRunController& c() { return *controller; }
    const TResultTest& r() const { return *controller->RunResult(); }
    int position() const { return controller->RunResult()->CurrentPos; }
    int onScreen() const { return controller->RunResult()->TaskOrder.at(position()); }
    void tickTask(int n = 1)
    {
        for (int k = 0; k < n; ++k)
            controller->TimerTaskTimer();
    }
    void tickTest(int n = 1)
    {
        for (int k = 0; k < n; ++k)
            controller->TimerTestTimer();
    }
};

} // namespace kvizor::testing
