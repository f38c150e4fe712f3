#pragma once

#include "ui/Prompts.h"

#include <QPointer>

class QWidget;

namespace kvizor {

class TInputPasswordForm;

// The prompts of a running program: real message boxes and dialogs owned by a window.
class WidgetPrompts : public Prompts
{
public:
    // passwordForm is the program's one password prompt; it is created when not given.
    explicit WidgetPrompts(QWidget* owner, TInputPasswordForm* passwordForm = nullptr);
    ~WidgetPrompts() override;

    void showMessage(const QString& text, const QString& caption, MessageIcon icon) override;
    bool askYesNo(const QString& text, const QString& caption) override;
    std::optional<QString> askPassword() override;
    QString chooseTestFile(const QString& startFolder) override;
    bool showRichText(const QString& richText, const QString& caption) override;
    bool showRichEditViewer(QWidget& control, const QString& caption) override;
    int execDialog(QDialog& dialog) override;

    TInputPasswordForm* passwordForm() const { return m_passwordForm; }

private:
    QPointer<QWidget> m_owner;
    TInputPasswordForm* m_passwordForm;
    bool m_ownsPasswordForm;
};

} // namespace kvizor
