#pragma once

#include "ui/Prompts.h"

#include <QDialog>

namespace kvizor {

// The window's prompts, passed on to the real ones until the program is told to end; from
// then on nothing is shown and nothing confirmed, so ending never waits for an answer.
class SilenceablePrompts final : public Prompts
{
public:
    explicit SilenceablePrompts(Prompts& inner) : m_inner(inner) {}

    void setQuiet() { m_quiet = true; }
    bool quiet() const { return m_quiet; }

    void showMessage(const QString& text, const QString& caption, MessageIcon icon) override
    {
        if (!m_quiet)
            m_inner.showMessage(text, caption, icon);
    }
    bool askYesNo(const QString& text, const QString& caption) override
    {
        return !m_quiet && m_inner.askYesNo(text, caption);
    }
    bool askYesNoDefaultYes(const QString& text, const QString& caption) override
    {
        return !m_quiet && m_inner.askYesNoDefaultYes(text, caption);
    }
    std::optional<QString> askPassword() override { return m_quiet ? std::nullopt : m_inner.askPassword(); }
    IdentificationResult identify(const IdentificationRequest& request) override
    {
        if (m_quiet)
            return {false, request.UserName, request.UserGroup};
        return m_inner.identify(request);
    }
    QString chooseTestFile(const QString& startFolder) override
    {
        return m_quiet ? QString() : m_inner.chooseTestFile(startFolder);
    }
    bool showRichText(const QString& richText, const QString& caption) override
    {
        return !m_quiet && m_inner.showRichText(richText, caption);
    }
    bool showRichEditViewer(QWidget& control, const QString& caption) override
    {
        return !m_quiet && m_inner.showRichEditViewer(control, caption);
    }
    int execDialog(QDialog& dialog) override
    {
        return m_quiet ? int(QDialog::Rejected) : m_inner.execDialog(dialog);
    }

private:
    Prompts& m_inner;
    bool m_quiet = false;
};

} // namespace kvizor
