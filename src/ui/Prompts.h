#pragma once

#include <QString>

#include <optional>

class QDialog;
class QWidget;

namespace kvizor {

enum class MessageIcon
{
    None,
    Information,
    Warning,
    Error,
    Question
};

// Every modal question, message and dialog of the main window goes through this
// interface, so tests answer them from a script instead of a screen.
class Prompts
{
public:
    virtual ~Prompts() = default;

    // A message box with an OK button.
    virtual void showMessage(const QString& text, const QString& caption, MessageIcon icon) = 0;
    // A Yes/No question with the question icon; true for Yes.
    virtual bool askYesNo(const QString& text, const QString& caption) = 0;
    // The password prompt; no value when it was closed with anything but OK.
    virtual std::optional<QString> askPassword() = 0;
    // The open-test dialog starting in startFolder (empty leaves it to the dialog);
    // an empty result when the user cancelled.
    virtual QString chooseTestFile(const QString& startFolder) = 0;
    // The rich-text viewer; true when closed with OK.
    virtual bool showRichText(const QString& richText, const QString& caption) = 0;
    // The viewer with a copy of a rich-text control's content; true when closed with OK.
    virtual bool showRichEditViewer(QWidget& control, const QString& caption) = 0;
    // Runs a prepared modal window (information, about, licence ...) and returns its result.
    virtual int execDialog(QDialog& dialog) = 0;
};

} // namespace kvizor
