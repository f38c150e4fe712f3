#pragma once

#include "run/RunView.h"

// A run view that shows nothing and reads empty answers; scripted views override only what
// they watch or answer.
namespace kvizor::testing {

class SilentRunView : public IRunView
{
public:
    void ShowTask(const TaskScreen&) override {}
    void ResetTaskArea() override {}
    void ShowQuestionAreaText(const QString&) override {}
    TaskAnswer ReadAnswer() const override { return {}; }
    void ShowFeedback(const TaskFeedback&) override {}
    void ClearFeedbackColours() override {}
    void SetSlotMarks(const std::array<QString, TaskAnswer::SlotCount>&) override {}
    void CloseEnlargedImage() override {}
    void ClearQuestionImage() override {}
    void SetCheckCommandEnabled(bool) override {}
    void SetRunCommandsVisible(bool, bool) override {}
    void SetStatusPanel(int, const QString&, bool) override {}
    void SetGoToItems(const QStringList&) override {}
    void SetGoToItemImage(int, GoToImage) override {}
    void SetProgressMaximum(int) override {}
    void SetProgressPosition(int) override {}
};

} // namespace kvizor::testing
