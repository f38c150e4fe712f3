#pragma once

#include "ui/Prompts.h"

#include <QPointer>

#include <memory>

class QMessageBox;
class QWidget;

namespace kvizor {

class TInputPasswordForm;
class TInputUserNameForm;

// The prompts of a running program: real message boxes and dialogs owned by a window.
class WidgetPrompts : public Prompts
{
public:
    // passwordForm is the program's one password prompt; when not given it is made on
    // first use, which keeps its text set-up out of the program's start.
    explicit WidgetPrompts(QWidget* owner, TInputPasswordForm* passwordForm = nullptr);
    ~WidgetPrompts() override;

    void showMessage(const QString& text, const QString& caption, MessageIcon icon) override;
    bool askYesNo(const QString& text, const QString& caption) override;
    std::optional<QString> askPassword() override;
    // The program's one identification dialog, made on first use; it keeps the last entries.
    IdentificationResult identify(const IdentificationRequest& request) override;
    QString chooseTestFile(const QString& startFolder) override;
    bool showRichText(const QString& richText, const QString& caption) override;
    bool showRichEditViewer(QWidget& control, const QString& caption) override;
    int execDialog(QDialog& dialog) override;

    // The boxes that showMessage and askYesNo run.
    static std::unique_ptr<QMessageBox> makeMessageBox(const QString& text, const QString& caption,
                                                       MessageIcon icon, QWidget* owner);
    static std::unique_ptr<QMessageBox> makeYesNoBox(const QString& text, const QString& caption,
                                                     QWidget* owner);

private:
    QPointer<QWidget> m_owner;
    QPointer<TInputPasswordForm> m_passwordForm;
    QPointer<TInputUserNameForm> m_userNameForm;
    bool m_ownsPasswordForm;
};

} // namespace kvizor
