#pragma once

#include "ui/Prompts.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

// Prompts answered from a script; everything asked is recorded for the test to check.
class ScriptedPrompts : public kvizor::Prompts
{
public:
    struct Message
    {
        QString text;
        QString caption;
        kvizor::MessageIcon icon;
    };
    struct Viewer
    {
        QString text;
        QString caption;
    };

    QList<Message> messages;
    QStringList questions;
    QList<bool> yesNoAnswers;                // taken from the front; No when empty
    QList<std::optional<QString>> passwords; // taken from the front; cancelled when empty
    int passwordAsks = 0;
    // The examinee's answer to the identification dialog; not accepted when empty.
    QString userName;
    QString userGroup;
    int identifications = 0;
    QStringList files; // taken from the front; cancelled when empty
    QStringList startFolders;
    QList<Viewer> viewers;
    QStringList dialogs; // object names of the modal windows run
    // Looks at a modal window before it "closes"; returns its result.
    std::function<int(QDialog&)> onDialog;

    void showMessage(const QString& text, const QString& caption, kvizor::MessageIcon icon) override
    {
        messages.append({text, caption, icon});
    }
    // How many messages had this text.
    int messageCount(const QString& text) const
    {
        int n = 0;
        for (const Message& m : messages)
            n += m.text == text ? 1 : 0;
        return n;
    }
    bool askYesNo(const QString& text, const QString& caption) override
    {
        questions.append(caption + QLatin1Char('|') + text);
        return yesNoAnswers.isEmpty() ? false : yesNoAnswers.takeFirst();
    }
    std::optional<QString> askPassword() override
    {
        ++passwordAsks;
        return passwords.isEmpty() ? std::nullopt : passwords.takeFirst();
    }
    kvizor::IdentificationResult identify(const kvizor::IdentificationRequest&) override
    {
        ++identifications;
        return {!userName.isEmpty(), userName, userGroup};
    }
    QString chooseTestFile(const QString& startFolder) override
    {
        startFolders.append(startFolder);
        return files.isEmpty() ? QString() : files.takeFirst();
    }
    bool showRichText(const QString& richText, const QString& caption) override
    {
        viewers.append({richText, caption});
        return true;
    }
    bool showRichEditViewer(QWidget& control, const QString& caption) override
    {
        viewers.append({control.objectName(), caption});
        return true;
    }
    int execDialog(QDialog& dialog) override
    {
        dialogs.append(dialog.objectName());
        return onDialog ? onDialog(dialog) : int(QDialog::Accepted);
    }
};
