#pragma once

#include "Evaluation.h"
#include "TaskAnswer.h"

#include "model/Task.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace kvizor {

// Everything the view needs to put one task on screen (preparing the area for the type
// and filling it). Slot k shows variant VariantOrder[k]; every control starts empty.
struct TaskScreen
{
    const TTask* Task = nullptr;
    int TaskIndex = 0;
    // "Вопрос # %d из %d:"
    QString QuestionLabel;
    // The instruction line for the type, e.g. "Выберите один из 3 вариантов ответа:".
    QString VariantLabel;
    QList<int> VariantOrder;
    // Caption of the hint command; empty when the task has no hint (button hidden).
    QString HintCaption;
    bool AllowSkipping = false;
    // Folder of the test's pictures, ending with a separator.
    QString TempFolder;
    // The task shown after this one is answered, so that its pictures can be prepared
    // meanwhile; nullptr when the run ends then.
    const TTask* NextTask = nullptr;
};

// The go-to list's images.
enum GoToImage
{
    giNeverShown = 0,
    giShown = 1,
    giAnswered = 2
};

// The task area, the commands under it and the status bar, as the run controller drives
// them. The main window implements it with widgets; tests with a script.
class IRunView
{
public:
    virtual ~IRunView() = default;

    // Prepares the task area for the task's type and fills it. Picture load failures are
    // the view's own to report.
    virtual void ShowTask(const TaskScreen& screen) = 0;
    // The neutral look between runs.
    virtual void ResetTaskArea() = 0;
    // The question area shows plain text only (after a test was closed).
    virtual void ShowQuestionAreaText(const QString& text) = 0;

    // What the answer controls of the task on screen hold.
    virtual TaskAnswer ReadAnswer() const = 0;
    // Marks and colours of education-mode feedback (shown while the feedback box is open).
    virtual void ShowFeedback(const TaskFeedback& feedback) = 0;
    // After the feedback box: base colours back, marker and rectangle hidden; the number
    // labels keep their marks until the next task is shown.
    virtual void ClearFeedbackColours() = 0;
    // The number labels of the variant slots (e.g. "?" for a place given twice).
    virtual void SetSlotMarks(const std::array<QString, TaskAnswer::SlotCount>& marks) = 0;

    virtual void CloseEnlargedImage() = 0;
    virtual void ClearQuestionImage() = 0;

    // "Дальше (проверить)".
    virtual void SetCheckCommandEnabled(bool enabled) = 0;
    // "Я не знаю..." and "Пропустить...": enabled and visible together.
    virtual void SetRunCommandsVisible(bool iDoNotKnow, bool skipping) = 0;

    // Status bar panel 0..10; red draws the text in pure red (panels 4 and 5).
    virtual void SetStatusPanel(int panel, const QString& text, bool red = false) = 0;

    // The go-to list: one item per position, every item with image 0; an empty list
    // clears it. The list never keeps a selection.
    virtual void SetGoToItems(const QStringList& items) = 0;
    virtual void SetGoToItemImage(int position, GoToImage image) = 0;

    virtual void SetProgressMaximum(int maximum) = 0;
    virtual void SetProgressPosition(int position) = 0;
};

} // namespace kvizor
