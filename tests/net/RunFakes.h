#pragma once

#include "run/RunOutputs.h"
#include "run/RunPrompts.h"
#include "run/RunView.h"
#include "run/SilentRunView.h"

#include <QList>

#include <functional>

// Scripted stand-ins for the window around the run controller: every task is answered
// with the same typed text, the examinee identifies as given, boxes are recorded.
namespace kvizor::testing {

class ScriptView : public SilentRunView
{
public:
    TaskAnswer answer;

    TaskAnswer ReadAnswer() const override { return answer; }
};

struct ShownMessage
{
    QString caption;
    QString text;
    MessageIcon icon;
};

class ScriptPrompts : public IRunPrompts
{
public:
    QList<ShownMessage> messages;

    void ShowMessage(const QString& caption, const QString& text, MessageIcon icon) override
    {
        messages.append({caption, text, icon});
    }
    bool AskYesNo(const QString&, const QString&, MessageIcon) override { return true; }
    std::optional<QString> AskPassword() override { return std::nullopt; }
    IdentificationResult Identify(const IdentificationRequest&) override
    {
        return {true, QStringLiteral("Петров"), QStringLiteral("9Б")};
    }
    void ShowRichTextViewer(const QString&, const QString&) override {}

    int count(const QString& text) const
    {
        int n = 0;
        for (const ShownMessage& m : messages)
            n += m.text == text ? 1 : 0;
        return n;
    }
};

class ScriptOutputs : public IRunOutputs
{
};

} // namespace kvizor::testing
