#pragma once

#include "TaskAnswer.h"

#include "config/Config.h"
#include "model/Task.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace kvizor {

class TResultTest;

// The test's rules for scoring.
struct EvaluationRules
{
    bool EducationMode = false;
    bool PenaltyMode = false;
    // When clear, types 2 to 5 earn a share of the weight per right part.
    bool NoPartialCredit = true;
};

// The highlight colours of education-mode feedback (from the settings).
struct FeedbackColours
{
    TColor Correct = 0;
    TColor Error = 0;
    std::array<TColor, 10> Collation{};

    static FeedbackColours FromConfig(const TConfig& config);
};

// What one screen slot shows after a wrong answer in education mode. An absent colour
// keeps the base colour.
struct SlotFeedback
{
    // Text of the slot's number label ("+", "-", a place or a partner number).
    QString Mark;
    std::optional<TColor> TextColour;
    std::optional<TColor> ListColour;
    // Type 4: the right-hand text of this row.
    std::optional<TColor> MatchTextColour;

    bool operator==(const SlotFeedback&) const = default;
};

// Education-mode feedback, a plain description the view paints and the controller shows.
struct TaskFeedback
{
    std::array<SlotFeedback, TaskAnswer::SlotCount> Slots;
    // Type 8: show the right area of the picture.
    bool ShowRect = false;
    TAnswerRect Rect;
    // The text of the box, caption "Kvizor", information icon.
    QString Message;
    // Yes/No box whose Yes shows Explanation; otherwise an OK box.
    bool OfferExplanation = false;
};

// The outcome of evaluating one task.
struct TaskEvaluation
{
    bool Answered = false;
    bool Right = false;
    int RightParts = 0;
    int WrongParts = 0;
    // Stored in TaskAnswers: "3;1;", "1-2;2-0;3-1;", "1-Да;2-;3-Нет;", "x=120; y=45", ...
    QString AnswerText;
    // The hint had been shown (TaskPenalties >= 0).
    bool Prompted = false;
    // Points changes in the order they are applied: the hint penalty off, the gain on,
    // the loss off.
    double HintPenalty = 0;
    double Gained = 0;
    double Lost = 0;
    // The value for TaskResults: the weight for a right answer, otherwise 0.
    std::int32_t TaskResult = 0;
    // The task's weight, added to AskedMaxPoints.
    std::int32_t Weight = 0;
    // Present in education mode when the verdict is wrong ("Я не знаю..." included).
    std::optional<TaskFeedback> Feedback;

    double PointsChange() const { return -HintPenalty + Gained - Lost; }
};

// Evaluates the answer held by the controls: a pure function of the task, the answer, the
// variant order on screen, whether it was answered (false for "Я не знаю..."), the task's
// recorded hint penalty (-1 when the hint was not shown) and the test's rules.
TaskEvaluation EvaluateTask(const TTask& task, const TaskAnswer& answer, const QList<int>& variantOrder,
                            bool answered, std::int32_t taskPenalty, const EvaluationRules& rules,
                            const FeedbackColours& colours);

// Writes an evaluation of task taskIndex into the run record: the answer text, the result,
// the counters, AskedMaxPoints and Points.
void ApplyEvaluation(TResultTest& result, int taskIndex, const TaskEvaluation& evaluation);

// The number typed into a number field, read with the locale's decimal separator; a text
// that is not a number counts as 0.
double NumberAnswerValue(const QString& text);
// A number as the feedback shows it: shortest general form, the locale's separator.
QString FeedbackNumberText(double value);
// The accepted answers of a text task: its lines split at CR, LF or CR LF. Empty lines are
// no accepted answers.
QStringList AcceptedTextAnswers(const QString& textAnswers);

// Screen slots of an ordering task whose lists show the same place as another slot.
QList<int> DuplicatePlaceSlots(const TaskAnswer& answer, int variantCount);

} // namespace kvizor
