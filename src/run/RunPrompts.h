#pragma once

#include <QString>

#include <optional>

namespace kvizor {

enum class MessageIcon
{
    None,
    Information,
    Warning,
    Error,
    Question
};

// What the identification dialog is opened with. The two fields keep the previous
// examinee's entries; empty ones are filled with the defaults before showing.
struct IdentificationRequest
{
    QString UserName;
    QString UserGroup;
    QString UserNameExpression;
    QString UserGroupExpression;
    QString UserNameExample;
    QString UserGroupExample;
};

struct IdentificationResult
{
    // Closed with OK (both entries accepted by their templates).
    bool Accepted = false;
    // The fields as they were when the dialog closed, OK or not.
    QString UserName;
    QString UserGroup;
};

// The modal dialogs of a run. The main window implements them with real dialogs; tests
// with scripted answers (and may run clock ticks while a "box" is open).
class IRunPrompts
{
public:
    virtual ~IRunPrompts() = default;

    // A message box with an OK button.
    virtual void ShowMessage(const QString& caption, const QString& text, MessageIcon icon) = 0;
    // A Yes/No box; true for Yes.
    virtual bool AskYesNo(const QString& caption, const QString& text, MessageIcon icon) = 0;
    // A Yes/No question whose default button (Enter) is Yes; true for Yes.
    virtual bool AskYesNoDefaultYes(const QString& caption, const QString& text)
    {
        return AskYesNo(caption, text, MessageIcon::Question);
    }
    // The password prompt; std::nullopt when it was not closed with OK.
    virtual std::optional<QString> AskPassword() = 0;
    // The examinee's name and group.
    virtual IdentificationResult Identify(const IdentificationRequest& request) = 0;
    // The rich-text viewer, modal.
    virtual void ShowRichTextViewer(const QString& caption, const QString& richText) = 0;
};

} // namespace kvizor
