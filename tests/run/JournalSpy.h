#pragma once

// A run journal between the controller and a real one: it passes every call on, names it,
// and lets a test act after each (keep the bytes so far, end the process).

#include "journal/RunJournal.h"

#include <QStringList>

#include <functional>

namespace kvizor::testing {

class JournalSpy : public IRunJournal
{
public:
    explicit JournalSpy(IRunJournal& inner) : m_inner(inner) {}

    // Called after each call the journal took, with its name ("Begin", "TaskShown",
    // "OutputDone:ProtectedResult" ...) and how many calls of that name came so far.
    std::function<void(const QString& event, int count)> after;
    QStringList events;

    bool Begin(const TResultTest& record, const QString& runGuid, bool networkOk,
               const JournalTestFacts& test, QByteArrayView serverTestBytes = {}) override
    {
        return seen(QStringLiteral("Begin"),
                    m_inner.Begin(record, runGuid, networkOk, test, serverTestBytes));
    }
    bool Resume(const JournalRun& run) override
    {
        return seen(QStringLiteral("Resume"), m_inner.Resume(run));
    }
    bool TaskShown(const TResultTest& r) override
    {
        return seen(QStringLiteral("TaskShown"), m_inner.TaskShown(r));
    }
    bool HintUsed(const TResultTest& r) override
    {
        return seen(QStringLiteral("HintUsed"), m_inner.HintUsed(r));
    }
    bool TaskEvaluated(const TResultTest& r) override
    {
        return seen(QStringLiteral("TaskEvaluated"), m_inner.TaskEvaluated(r));
    }
    bool Clocks(const TResultTest& r) override { return seen(QStringLiteral("Clocks"), m_inner.Clocks(r)); }
    bool NetworkChanged(bool ok) override
    {
        return seen(QStringLiteral("NetworkChanged"), m_inner.NetworkChanged(ok));
    }
    bool End(const TResultTest& r) override { return seen(QStringLiteral("End"), m_inner.End(r)); }
    bool OutputDone(JournalOutput output) override
    {
        static const char* const names[] = {"", "ResultLog", "ProtectedResult", "ServerResult"};
        return seen(QStringLiteral("OutputDone:") + QLatin1String(names[static_cast<int>(output)]),
                    m_inner.OutputDone(output));
    }
    void Discard() override
    {
        m_inner.Discard();
        seen(QStringLiteral("Discard"), true);
    }
    bool Active() const override { return m_inner.Active(); }
    QString ErrorText() const override { return m_inner.ErrorText(); }

private:
    bool seen(const QString& event, bool ok)
    {
        if (!ok)
            return false;
        events.append(event);
        if (after)
            after(event, static_cast<int>(events.count(event)));
        return true;
    }

    IRunJournal& m_inner;
};

} // namespace kvizor::testing
