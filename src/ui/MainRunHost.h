#pragma once

#include "run/RunOutputs.h"
#include "run/RunView.h"

namespace kvizor {

class TStudentMainForm;

// The main window's side of the run controller: the task area, the commands under it,
// the status bar and the outputs of a run, in terms of the window's widgets. Showing a
// task with its answer controls, reading answers and feedback are filled in by the task
// presentation; until then a task shows its question only.
class TMainRunHost : public IRunView, public IRunOutputs
{
public:
    explicit TMainRunHost(TStudentMainForm& window) : m_window(window) {}

    // IRunView
    void ShowTask(const TaskScreen& screen) override;
    void ResetTaskArea() override;
    void ShowQuestionAreaText(const QString& text) override;
    TaskAnswer ReadAnswer() const override;
    void ShowFeedback(const TaskFeedback& feedback) override;
    void ClearFeedbackColours() override;
    void SetSlotMarks(const std::array<QString, TaskAnswer::SlotCount>& marks) override;
    void CloseEnlargedImage() override;
    void ClearQuestionImage() override;
    void SetCheckCommandEnabled(bool enabled) override;
    void SetRunCommandsVisible(bool iDoNotKnow, bool skipping) override;
    void SetStatusPanel(int panel, const QString& text, bool red = false) override;
    void SetGoToItems(const QStringList& items) override;
    void SetGoToItemImage(int position, GoToImage image) override;
    void SetProgressMaximum(int maximum) override;
    void SetProgressPosition(int position) override;

    // IRunOutputs
    void WriteLogLine(const QString& line) override;

private:
    TStudentMainForm& m_window;
};

} // namespace kvizor
