#include "ui/WindowRunAdapters.h"

#include "ui/InputUserNameForm.h"
#include "ui/Prompts.h"
#include "ui/StudentMainForm.h"

#include <QLineEdit>

namespace kvizor {

TWindowRunPrompts::TWindowRunPrompts(Prompts& prompts, TInputUserNameForm& identification)
    : m_prompts(prompts), m_identification(identification)
{
}

void TWindowRunPrompts::ShowMessage(const QString& caption, const QString& text, MessageIcon icon)
{
    m_prompts.showMessage(text, caption, icon);
}

bool TWindowRunPrompts::AskYesNo(const QString& caption, const QString& text, MessageIcon icon)
{
    (void)icon;
    return m_prompts.askYesNo(text, caption);
}

std::optional<QString> TWindowRunPrompts::AskPassword()
{
    return m_prompts.askPassword();
}

IdentificationResult TWindowRunPrompts::Identify(const IdentificationRequest& request)
{
    TInputUserNameForm& dialog = m_identification;
    dialog.UserName->setText(request.UserName);
    dialog.UserGroup->setText(request.UserGroup);
    dialog.UserNameExpression = request.UserNameExpression;
    dialog.UserGroupExpression = request.UserGroupExpression;
    dialog.UserNameExample = request.UserNameExample;
    dialog.UserGroupExample = request.UserGroupExample;
    IdentificationResult result;
    result.Accepted = m_prompts.execDialog(dialog) == QDialog::Accepted;
    result.UserName = dialog.UserName->text();
    result.UserGroup = dialog.UserGroup->text();
    return result;
}

void TWindowRunPrompts::ShowRichTextViewer(const QString& caption, const QString& richText)
{
    m_prompts.showRichText(richText, caption);
}

void TWindowRunOutputs::WriteLogLine(const QString& line)
{
    m_form.WriteLogLine(line);
}

} // namespace kvizor
