#pragma once

#include "Fixtures.h"
#include "KeyInput.h"
#include "ScriptedPrompts.h"

#include "results/ResultTest.h"
#include "run/RunOutputs.h"
#include "ui/InputUserNameForm.h"
#include "ui/StudentMainForm.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

// Keeps what a run hands to its outputs.
class RecordingOutputs : public kvizor::IRunOutputs
{
public:
    QStringList log;
    std::optional<kvizor::TResultTest> result;
    int finished = 0;

    void WriteLogLine(const QString& line) override { log.append(line); }
    void SaveResultLog(const kvizor::TResultTest& r, const WriteDone& done) override
    {
        result = r;
        ++finished;
        done(true);
    }
};

// Scripted prompts that also let a test look at the window while a box is "open".
class ScreenPrompts : public ScriptedPrompts
{
public:
    // The real identification dialog, run by identifyScript instead of a screen.
    kvizor::TInputUserNameForm* userNameForm = nullptr;
    std::function<int(QDialog&)> identifyScript;

    kvizor::IdentificationResult identify(const kvizor::IdentificationRequest& request) override
    {
        if (userNameForm == nullptr || !identifyScript)
            return ScriptedPrompts::identify(request);
        return userNameForm->Identify(request, identifyScript);
    }
    std::function<void(const QString& text)> onMessage;
    std::function<void(const QString& text)> onQuestion;

    void showMessage(const QString& text, const QString& caption, kvizor::MessageIcon icon) override
    {
        ScriptedPrompts::showMessage(text, caption, icon);
        if (onMessage)
            onMessage(text);
    }
    bool askYesNo(const QString& text, const QString& caption) override
    {
        if (onQuestion)
            onQuestion(text);
        return ScriptedPrompts::askYesNo(text, caption);
    }
};

// Fills the identification dialog as the examinee does and presses OK.
inline std::function<int(QDialog&)> identifyAs(const QString& name, const QString& group)
{
    return [name, group](QDialog& dialog) {
        auto* form = qobject_cast<kvizor::TInputUserNameForm*>(&dialog);
        if (form == nullptr)
            return int(QDialog::Accepted);
        form->open();
        QTest::mouseClick(form->UserName, Qt::LeftButton);
        typeText(form->UserName, name);
        QTest::mouseClick(form->UserGroup, Qt::LeftButton);
        typeText(form->UserGroup, group);
        QTest::mouseClick(form->OKButton, Qt::LeftButton);
        if (form->isVisible())
            form->reject();
        return form->result();
    };
}

// Triggers a command as if it arrived before the idle update could disable it.
inline void force(QAction* command)
{
    command->setEnabled(true);
    command->trigger();
}

using TestSetup = std::function<void(kvizor::TTest&, kvizor::TTaskList&)>;

// A task with its variants; value 0 for a variant with no answer data.
inline std::unique_ptr<kvizor::TTask> makeTask(int type, const QList<int>& values, int matchCount = 0)
{
    auto task = std::make_unique<kvizor::TTask>(type);
    task->Question = QStringLiteral("Задание типа %1").arg(type);
    for (int k = 0; k < values.size(); ++k) {
        task->Variants[static_cast<std::size_t>(k)] = QStringLiteral("Вариант %1").arg(k + 1);
        task->VariantValues[static_cast<std::size_t>(k)] = values.at(k);
    }
    for (int j = 0; j < matchCount; ++j)
        task->MatchVariants[static_cast<std::size_t>(j)] = QStringLiteral("Пара %1").arg(j + 1);
    return task;
}

// A test of `count` single-choice tasks that allows skipping (so it has a go-to list).
inline TestSetup skippingSingles(int count)
{
    return [count](kvizor::TTest& test, kvizor::TTaskList& tasks) {
        test.AllowSkipping = true;
        for (int i = 0; i < count; ++i)
            tasks.push_back(makeTask(kvizor::ttSingleChoice, {1, 0}));
    };
}

// A PNG picture of the given size, for place-on-image tasks.
QByteArray pngPicture(int width, int height);

// The main window with a test of our own loaded, scripted prompts and hand-ticked clocks.
class ScreenWindow
{
public:
    using Adjust = std::function<void(kvizor::TStudentMainForm::Options&)>;

    // realOutputs: the window's own end-of-run outputs instead of the recording ones;
    // adjust changes the window's options before it is made.
    explicit ScreenWindow(const TestSetup& setup, const std::vector<kvizor::TWriterFile>& files = {},
                          bool realOutputs = false, const Adjust& adjust = {});
    ~ScreenWindow();

    kvizor::TStudentMainForm& form() { return *m_window; }
    QString folder() const { return m_dir.path(); }
    // F5, answering the identification dialog with a name the default templates accept.
    void begin();
    // Lets the program go idle once.
    void idle();
    // A widget of the window by object name.
    template <typename T = QWidget>
    T* find(const QString& name)
    {
        return m_window->findChild<T*>(name);
    }
    void clickCheck() { QTest::mouseClick(m_window->ButtonCheckAskTask, Qt::LeftButton); }
    // Types a character into the focused control of the window.
    void key(QChar ch);

    ScreenPrompts prompts;
    RecordingOutputs outputs;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<kvizor::TStudentMainForm> m_window;
};
