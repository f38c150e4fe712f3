#include "ui/MainRunHost.h"

#include "ui/RichTextAccess.h"
#include "ui/RichTextRoutines.h"
#include "ui/ShowQuestionImageForm.h"
#include "ui/StatusPanels.h"
#include "ui/StudentMainForm.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QTextEdit>

namespace kvizor {

void TMainRunHost::ShowTask(const TaskScreen& screen)
{
    m_window.QuestionLabel->setText(screen.QuestionLabel);
    m_window.VariantLabel->setText(screen.VariantLabel);
    if (auto* question = qobject_cast<QTextEdit*>(m_window.QuestionText); question != nullptr && screen.Task)
        LoadRichText(screen.Task->Question, question, false);
    m_window.ApplyZoom();
}

void TMainRunHost::ResetTaskArea()
{
    m_window.ResetTaskArea();
}

void TMainRunHost::ShowQuestionAreaText(const QString& text)
{
    richtext_access::clear(m_window.QuestionText);
    richtext_access::appendLine(m_window.QuestionText, text);
    m_window.ApplyZoom();
}

TaskAnswer TMainRunHost::ReadAnswer() const
{
    return {};
}

void TMainRunHost::ShowFeedback(const TaskFeedback&) {}

void TMainRunHost::ClearFeedbackColours() {}

void TMainRunHost::SetSlotMarks(const std::array<QString, TaskAnswer::SlotCount>&) {}

void TMainRunHost::CloseEnlargedImage()
{
    m_window.questionImageForm()->close();
}

void TMainRunHost::ClearQuestionImage()
{
    m_window.QuestionImage->clear();
    m_window.QuestionImage->hide();
    m_window.QuestionImage->setEnabled(false);
}

void TMainRunHost::SetCheckCommandEnabled(bool enabled)
{
    m_window.SetCheckCommandEnabled(enabled);
}

void TMainRunHost::SetRunCommandsVisible(bool iDoNotKnow, bool skipping)
{
    m_window.aIDoNotKnow->setVisible(iDoNotKnow);
    m_window.aIDoNotKnow->setEnabled(iDoNotKnow);
    m_window.aSkippingTask->setVisible(skipping);
    m_window.aSkippingTask->setEnabled(skipping);
}

void TMainRunHost::SetStatusPanel(int panel, const QString& text, bool red)
{
    TStatusPanels* bar = m_window.statusPanels();
    bar->setPanelText(panel, text);
    bar->setPanelRed(panel, red);
}

void TMainRunHost::SetGoToItems(const QStringList& items)
{
    QComboBox* list = m_window.ComboBoxEx1;
    list->clear();
    list->addItems(items);
    list->setCurrentIndex(-1);
}

void TMainRunHost::SetGoToItemImage(int, GoToImage) {}

void TMainRunHost::SetProgressMaximum(int maximum)
{
    m_window.ProgressBarCountAskTask->setMaximum(std::max(1, maximum));
}

void TMainRunHost::SetProgressPosition(int position)
{
    if (m_window.ProgressBarCountAskTask->value() != position)
        m_window.ProgressBarCountAskTask->setValue(position);
}

void TMainRunHost::WriteLogLine(const QString& line)
{
    m_window.WriteLogLine(line);
}

} // namespace kvizor
