#pragma once

#include "ui/ResultOutputs.h"

#include <memory>

namespace kvizor {

class SoundPlayer;
class TStudentMainForm;

// The main window as the end-of-run outputs see it: the question area receives the
// summary, the window owns the result window, modal windows go through its prompts.
class TMainResultHost : public IResultHost
{
public:
    explicit TMainResultHost(TStudentMainForm& window);
    ~TMainResultHost() override;

    QWidget* ResultOwner() override;
    QTextDocument* QuestionDocument() override;
    void SummaryShown() override;
    QFont QuestionFont() const override;
    void PlayEndTestSound() override;
    int ExecDialog(QDialog& dialog) override;
    void ShowDocumentViewer(QTextDocument& document, const QString& caption) override;

private:
    TStudentMainForm& m_window;
    // Made on the first sound: opening the audio device is left until it is needed.
    std::unique_ptr<SoundPlayer> m_soundPlayer;
};

} // namespace kvizor
