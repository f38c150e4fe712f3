#pragma once

#include <QSet>
#include <QString>

namespace kvizor {

class IRunOutputs;
class IRunPrompts;
class JournalStore;
class TRunController;
struct InterruptedRun;

// The runs an ended program left in this user's journal folder, offered when the program
// starts and before a test is opened. For each, oldest first: a run that had ended gets its
// missing outputs written without a question; otherwise the examinee is asked "Продолжить
// прерванный тест ...?" (Yes, the default, resumes it; No closes it as "закрыта программа"
// with all its outputs). A run whose test cannot be loaded again as the same file is closed
// the same way, with a message. Damaged journals are noted in the result log once each.
class TRunRecovery
{
public:
    enum class Outcome
    {
        // Nothing (more) to offer: what the user asked for goes on.
        None,
        // A run goes on in the controller: what the user asked for is dropped.
        Resumed,
        // Closing a run waits for its RESULT (the controller's step): offer again once the
        // step has ended.
        Waiting,
    };

    TRunRecovery(JournalStore& store, TRunController& controller, IRunPrompts& prompts, IRunOutputs& outputs);

    Outcome Offer();

    // The question for a run, and the message when it cannot go on (why: a short reason).
    static QString ResumeQuestion(const InterruptedRun& run);
    static QString CannotResumeMessage(const QString& title, const QString& why);

private:
    // Resumes the run, or closes it when its test does not load as the same file.
    Outcome resume(const InterruptedRun& run);
    Outcome close(const InterruptedRun& run);
    void noteProblem(const QString& path, const QString& setAsidePath, const QString& problem);

    JournalStore& m_store;
    TRunController& m_controller;
    IRunPrompts& m_prompts;
    IRunOutputs& m_outputs;
    // Journals dealt with in this program: one that could not be removed is not offered twice.
    QSet<QString> m_handled;
    QSet<QString> m_noted;
};

} // namespace kvizor
