#include "Evaluation.h"

#include "results/ResultTest.h"

#include <QLocale>

#include <cmath>

namespace kvizor {
namespace {

constexpr int kSlots = TaskAnswer::SlotCount;

struct Verdict
{
    bool right = true;
    int rightParts = 0;
    int wrongParts = 0;
    QString text;
};

// The variant shown in screen slot k; -1 for a slot outside the order.
int variantAt(const QList<int>& order, int k)
{
    const int v = order.value(k, -1);
    return (v >= 0 && v < kSlots) ? v : -1;
}

// Screen slot of variant v, for texts that list the variants in file order.
int slotOf(const QList<int>& order, int v, int n)
{
    for (int k = 0; k < n && k < order.size(); ++k) {
        if (order.at(k) == v)
            return k;
    }
    return -1;
}

int listChoice(const TaskAnswer& answer, int slot)
{
    if (slot < 0 || slot >= kSlots)
        return -1;
    return answer.ListIndex[slot];
}

// Ordering and matching lists: entry index + 1, 0 when nothing is chosen.
int chosenNumber(const TaskAnswer& a, int slot)
{
    const int entry = listChoice(a, slot);
    return entry >= 0 ? entry + 1 : 0;
}

Verdict judgeSingle(const TTask& task, const TaskAnswer& a, const QList<int>& order, int n)
{
    Verdict r;
    for (int k = 0; k < n; ++k) {
        const int v = variantAt(order, k);
        if (v < 0)
            continue;
        if (a.Checked[k] != task.IsVariantRight(v))
            r.right = false;
        if (a.Checked[k] && r.text.isEmpty())
            r.text = QString::number(v + 1);
    }
    return r;
}

Verdict judgeMultiple(const TTask& task, const TaskAnswer& a, const QList<int>& order, int n)
{
    Verdict r;
    for (int k = 0; k < n; ++k) {
        const int v = variantAt(order, k);
        if (v < 0)
            continue;
        if (a.Checked[k] == task.IsVariantRight(v)) {
            ++r.rightParts;
        } else {
            ++r.wrongParts;
            r.right = false;
        }
        if (a.Checked[k])
            r.text += QString::number(v + 1) + QLatin1Char(';');
    }
    return r;
}

// Ordering and matching: the chosen entry + 1 against the variant's place or partner.
Verdict judgeLists(const TTask& task, const TaskAnswer& a, const QList<int>& order, int n)
{
    Verdict r;
    for (int k = 0; k < n; ++k) {
        const int v = variantAt(order, k);
        if (v < 0)
            continue;
        if (chosenNumber(a, k) == task.GetVariantValue(v)) {
            ++r.rightParts;
        } else {
            ++r.wrongParts;
            r.right = false;
        }
    }
    for (int v = 0; v < n; ++v)
        r.text += QStringLiteral("%1-%2;").arg(v + 1).arg(chosenNumber(a, slotOf(order, v, n)));
    return r;
}

QString trueFalseWord(int entry)
{
    if (entry == 1)
        return QStringLiteral("Да");
    if (entry == 2)
        return QStringLiteral("Нет");
    return QString();
}

Verdict judgeTrueFalse(const TTask& task, const TaskAnswer& a, const QList<int>& order, int n)
{
    Verdict r;
    for (int k = 0; k < n; ++k) {
        const int v = variantAt(order, k);
        if (v < 0)
            continue;
        const int entry = a.ListIndex[k];
        const int value = task.GetVariantValue(v);
        if (entry == 1 || entry == 2) {
            if (entry == value)
                ++r.rightParts;
            else
                ++r.wrongParts;
        }
        if (entry != value)
            r.right = false;
    }
    for (int v = 0; v < n; ++v)
        r.text += QStringLiteral("%1-%2;").arg(v + 1).arg(trueFalseWord(listChoice(a, slotOf(order, v, n))));
    return r;
}

Verdict judgeNumber(const TTask& task, const TaskAnswer& a)
{
    Verdict r;
    r.text = a.Text;
    if (a.Text.isEmpty()) {
        r.right = false;
        return r;
    }
    const double value = NumberAnswerValue(a.Text);
    r.right =
        task.NumberIsRange ? (value >= task.NumberMin && value <= task.NumberMax) : value == task.NumberValue;
    return r;
}

Verdict judgeText(const TTask& task, const TaskAnswer& a)
{
    Verdict r;
    r.text = a.Text;
    r.right = false;
    const QString typed = task.TextCaseSensitive ? a.Text : a.Text.toUpper();
    for (const QString& accepted : AcceptedTextAnswers(task.TextAnswers)) {
        if (typed == (task.TextCaseSensitive ? accepted : accepted.toUpper())) {
            r.right = true;
            break;
        }
    }
    return r;
}

// Without a marker placed on this task there is no point to judge: wrong, empty text.
Verdict judgePoint(const TTask& task, const TaskAnswer& a)
{
    Verdict r;
    if (!a.PointPlaced) {
        r.right = false;
        return r;
    }
    r.right = task.AnswerRect.Contains(a.PointX, a.PointY);
    r.text = QStringLiteral("x=%1; y=%2").arg(a.PointX).arg(a.PointY);
    return r;
}

Verdict judge(const TTask& task, const TaskAnswer& a, const QList<int>& order)
{
    const int n = std::min(task.VariantCount(), kSlots);
    switch (task.TaskType) {
    case ttSingleChoice:
        return judgeSingle(task, a, order, n);
    case ttMultipleChoice:
        return judgeMultiple(task, a, order, n);
    case ttOrdering:
    case ttMatching:
        return judgeLists(task, a, order, n);
    case ttTrueFalse:
        return judgeTrueFalse(task, a, order, n);
    case ttNumber:
        return judgeNumber(task, a);
    case ttText:
        return judgeText(task, a);
    case ttImagePoint:
        return judgePoint(task, a);
    default:
        break;
    }
    // A task without a valid type cannot be answered right.
    Verdict r;
    r.right = false;
    return r;
}

std::optional<TColor> collation(const FeedbackColours& colours, int number)
{
    if (number < 1 || number > 10)
        return std::nullopt;
    return colours.Collation[static_cast<std::size_t>(number - 1)];
}

TaskFeedback feedback(const TTask& task, const TaskAnswer& a, const QList<int>& order,
                      const FeedbackColours& colours)
{
    TaskFeedback f;
    const int n = std::min(task.VariantCount(), kSlots);
    QString part;
    for (int k = 0; k < n; ++k) {
        const int v = variantAt(order, k);
        if (v < 0)
            continue;
        SlotFeedback& s = f.Slots[static_cast<std::size_t>(k)];
        const int value = task.GetVariantValue(v);
        switch (task.TaskType) {
        case ttSingleChoice:
        case ttMultipleChoice:
            if (a.Checked[k])
                s.TextColour = colours.Error;
            if (task.IsVariantRight(v)) {
                s.Mark = QStringLiteral("+");
                s.TextColour = colours.Correct;
            } else {
                s.Mark = QStringLiteral("-");
            }
            break;
        case ttOrdering: {
            const bool ok = chosenNumber(a, k) == value;
            s.Mark = QString::number(value);
            s.TextColour = s.ListColour = ok ? colours.Correct : colours.Error;
            break;
        }
        case ttMatching: {
            const bool ok = chosenNumber(a, k) == value;
            s.Mark = QString::number(value);
            s.TextColour = collation(colours, value);
            s.ListColour = ok ? colours.Correct : colours.Error;
            break;
        }
        case ttTrueFalse:
            s.Mark = value == 1 ? QStringLiteral("+") : QStringLiteral("-");
            s.TextColour = s.ListColour = a.ListIndex[k] == value ? colours.Correct : colours.Error;
            break;
        default:
            break;
        }
    }
    if (task.TaskType == ttMatching) {
        // Every right-hand text takes its row's colour, so each left text shares the colour
        // of its partner.
        const int m = std::min(task.MatchVariantCount(), kSlots);
        for (int r = 0; r < m; ++r)
            f.Slots[static_cast<std::size_t>(r)].MatchTextColour = collation(colours, r + 1);
    }
    switch (task.TaskType) {
    case ttNumber:
        part = task.NumberIsRange
                   ? QStringLiteral("Верный ответ в диапазоне от %1 до %2.")
                         .arg(FeedbackNumberText(task.NumberMin), FeedbackNumberText(task.NumberMax))
                   : QStringLiteral("Верный ответ: %1.").arg(FeedbackNumberText(task.NumberValue));
        break;
    case ttText: {
        const QStringList accepted = AcceptedTextAnswers(task.TextAnswers);
        if (!accepted.isEmpty())
            part = QStringLiteral("Верный ответ: \"%1\".").arg(accepted.first());
        break;
    }
    case ttImagePoint:
        f.ShowRect = true;
        f.Rect = task.AnswerRect;
        break;
    default:
        break;
    }
    f.Message = QStringLiteral("Неправильно...\r\n") + part;
    if (!task.Explanation.isEmpty()) {
        f.Message += QStringLiteral("\r\nПоказать пояснения?");
        f.OfferExplanation = true;
    }
    return f;
}

} // namespace

FeedbackColours FeedbackColours::FromConfig(const TConfig& config)
{
    FeedbackColours c;
    c.Correct = config.ColorCorrect;
    c.Error = config.ColorError;
    c.Collation = config.ColorCollation;
    return c;
}

TaskEvaluation EvaluateTask(const TTask& task, const TaskAnswer& answer, const QList<int>& variantOrder,
                            bool answered, std::int32_t taskPenalty, const EvaluationRules& rules,
                            const FeedbackColours& colours)
{
    TaskEvaluation e;
    e.Answered = answered;
    e.Weight = task.Weight;
    if (answered) {
        const Verdict v = judge(task, answer, variantOrder);
        e.Right = v.right;
        e.RightParts = v.rightParts;
        e.WrongParts = v.wrongParts;
        e.AnswerText = v.text;
    }

    e.Prompted = taskPenalty >= 0;
    if (taskPenalty > 0)
        e.HintPenalty = taskPenalty;

    const double w = task.Weight;
    if (answered && e.Right) {
        e.TaskResult = task.Weight;
        e.Gained = w;
    } else if (answered) {
        const bool sharesType = task.TaskType >= ttMultipleChoice && task.TaskType <= ttTrueFalse;
        const int n = task.VariantCount();
        if (!rules.NoPartialCredit && sharesType && n > 0) {
            const double u = w / n;
            e.Gained = u * e.RightParts;
            if (rules.PenaltyMode)
                e.Lost = u * e.WrongParts;
        } else if (rules.PenaltyMode) {
            e.Lost = w;
        }
    }

    if (!e.Right && rules.EducationMode)
        e.Feedback = feedback(task, answer, variantOrder, colours);
    return e;
}

void ApplyEvaluation(TResultTest& result, int taskIndex, const TaskEvaluation& e)
{
    result.SetTaskAnswer(taskIndex, e.AnswerText);
    if (e.Prompted)
        ++result.PromptCount;
    if (e.HintPenalty > 0)
        result.Points -= e.HintPenalty;
    result.AskedMaxPoints += e.Weight;
    if (!e.Answered) {
        ++result.SkipCount;
    } else if (e.Right) {
        ++result.RightCount;
    } else {
        ++result.WrongCount;
    }
    result.SetTaskResult(taskIndex, e.TaskResult);
    if (e.Gained != 0)
        result.Points += e.Gained;
    if (e.Lost != 0)
        result.Points -= e.Lost;
}

double NumberAnswerValue(const QString& text)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(text, &ok);
    return ok ? value : 0.0;
}

QString FeedbackNumberText(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    // Plain digits as a reader writes them; an exponent only for very large or small values.
    const double magnitude = std::abs(value);
    const bool exponent = magnitude >= 1e15 || (magnitude != 0 && magnitude < 1e-4);
    return locale.toString(value, exponent ? 'g' : 'f', QLocale::FloatingPointShortest);
}

QStringList AcceptedTextAnswers(const QString& textAnswers)
{
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < textAnswers.size(); ++i) {
        const QChar c = textAnswers.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < textAnswers.size() &&
                textAnswers.at(i + 1) == QLatin1Char('\n'))
                ++i;
            if (!line.isEmpty())
                lines.append(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

QList<int> DuplicatePlaceSlots(const TaskAnswer& answer, int variantCount)
{
    QList<int> slots;
    const int n = std::min(variantCount, kSlots);
    for (int k = 0; k < n; ++k) {
        if (answer.ListIndex[k] < 0)
            continue;
        for (int j = 0; j < n; ++j) {
            if (j != k && answer.ListIndex[j] == answer.ListIndex[k]) {
                slots.append(k);
                break;
            }
        }
    }
    return slots;
}

} // namespace kvizor
