#pragma once

#include "run/RunOutputs.h"
#include "run/RunPrompts.h"

namespace kvizor {

class Prompts;
class TInputUserNameForm;
class TStudentMainForm;

// The run controller's dialogs through the window's prompts; identification through the
// program's one identification dialog.
class TWindowRunPrompts : public IRunPrompts
{
public:
    TWindowRunPrompts(Prompts& prompts, TInputUserNameForm& identification);

    void ShowMessage(const QString& caption, const QString& text, MessageIcon icon) override;
    bool AskYesNo(const QString& caption, const QString& text, MessageIcon icon) override;
    std::optional<QString> AskPassword() override;
    IdentificationResult Identify(const IdentificationRequest& request) override;
    void ShowRichTextViewer(const QString& caption, const QString& richText) override;

private:
    Prompts& m_prompts;
    TInputUserNameForm& m_identification;
};

// The outputs of a run while no results module is plugged in: the result log only.
class TWindowRunOutputs : public IRunOutputs
{
public:
    explicit TWindowRunOutputs(TStudentMainForm& form) : m_form(form) {}

    void WriteLogLine(const QString& line) override;

private:
    TStudentMainForm& m_form;
};

} // namespace kvizor
