#include "ui/MainResultHost.h"

#include "platform/SoundPlayer.h"
#include "ui/Prompts.h"
#include "ui/RichTextAccess.h"
#include "ui/StudentMainForm.h"

#include <QWidget>

namespace kvizor {

TMainResultHost::TMainResultHost(TStudentMainForm& window) : m_window(window) {}

TMainResultHost::~TMainResultHost() = default;

QWidget* TMainResultHost::ResultOwner()
{
    return &m_window;
}

QTextDocument* TMainResultHost::QuestionDocument()
{
    return richtext_access::document(m_window.QuestionText);
}

void TMainResultHost::SummaryShown()
{
    richtext_access::contentChanged(m_window.QuestionText);
    m_window.ApplyZoom();
    richtext_access::moveToStart(m_window.QuestionText);
}

QFont TMainResultHost::QuestionFont() const
{
    return m_window.QuestionText != nullptr ? m_window.QuestionText->font() : m_window.font();
}

void TMainResultHost::PlayEndTestSound()
{
    const TConfig& config = m_window.Config;
    EndTestSoundOptions options;
    options.IsUseSound = config.IsUseSound;
    options.IsUseDefaultSound = config.IsUseDefaultSound;
    options.SoundFileDir = config.SoundFileDir;
    options.SoundFileName = config.SoundFileName;
    if (platform::ChooseEndTestSound(options, m_window.programFolder()).source == SoundSource::None)
        return;
    if (!m_soundPlayer)
        m_soundPlayer = SoundPlayer::create();
    if (m_soundPlayer)
        platform::PlayEndTestSound(options, m_window.programFolder(), *m_soundPlayer);
}

int TMainResultHost::ExecDialog(QDialog& dialog)
{
    return m_window.prompts().execDialog(dialog);
}

void TMainResultHost::ShowDocumentViewer(QTextDocument& document, const QString& caption)
{
    kvizor::ShowDocumentViewer(document, caption, &m_window);
}

} // namespace kvizor
