#pragma once

#include "run/RunPrompts.h"

#include <QString>

#include <optional>

class QDialog;
class QWidget;

namespace kvizor {

// Every modal question, message and dialog of the main window goes through this
// interface, so tests answer them from a script instead of a screen. It also serves the
// run controller's dialogs (IRunPrompts).
class Prompts : public IRunPrompts
{
public:
    // A message box with an OK button.
    virtual void showMessage(const QString& text, const QString& caption, MessageIcon icon) = 0;
    // A Yes/No question with the question icon; true for Yes.
    virtual bool askYesNo(const QString& text, const QString& caption) = 0;
    // The same with Yes as the default button (Enter).
    virtual bool askYesNoDefaultYes(const QString& text, const QString& caption)
    {
        return askYesNo(text, caption);
    }
    // The password prompt; no value when it was closed with anything but OK.
    virtual std::optional<QString> askPassword() = 0;
    // The examinee's name and group.
    virtual IdentificationResult identify(const IdentificationRequest& request)
    {
        return {false, request.UserName, request.UserGroup};
    }
    // The open-test dialog starting in startFolder (empty leaves it to the dialog);
    // an empty result when the user cancelled.
    virtual QString chooseTestFile(const QString& startFolder) = 0;
    // The rich-text viewer; true when closed with OK.
    virtual bool showRichText(const QString& richText, const QString& caption) = 0;
    // The viewer with a copy of a rich-text control's content; true when closed with OK.
    virtual bool showRichEditViewer(QWidget& control, const QString& caption) = 0;
    // Runs a prepared modal window (information, about, licence ...) and returns its result.
    virtual int execDialog(QDialog& dialog) = 0;

    // The run controller's dialogs, in terms of the above.
    void ShowMessage(const QString& caption, const QString& text, MessageIcon icon) final
    {
        showMessage(text, caption, icon);
    }
    bool AskYesNo(const QString& caption, const QString& text, MessageIcon) final
    {
        return askYesNo(text, caption);
    }
    bool AskYesNoDefaultYes(const QString& caption, const QString& text) final
    {
        return askYesNoDefaultYes(text, caption);
    }
    std::optional<QString> AskPassword() final { return askPassword(); }
    IdentificationResult Identify(const IdentificationRequest& request) final { return identify(request); }
    void ShowRichTextViewer(const QString& caption, const QString& richText) final
    {
        showRichText(richText, caption);
    }
};

} // namespace kvizor
