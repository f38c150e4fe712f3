#pragma once

#include "QuizSource.h"

#include "model/Task.h"

#include <QStringList>

#include <cstdint>
#include <optional>

namespace kvizor::quiz {

struct ConvertedQuestion
{
    // None when the question was left out; Warnings say why.
    std::optional<TTask> Task;
    // Every detail not carried over, each naming the question.
    QStringList Warnings;
};

// The mapping of one quiz question to one task of the test model.
struct QuestionConverter
{
    // Points taken off for a hint, given to every task that has one.
    std::int32_t HintPenalty = 0;

    ConvertedQuestion convert(const QuizQuestion& question) const;
};

// How a warning names a question: its name and the line where it starts.
QString QuestionLabel(const QuizQuestion& question);

// The one statement of a true/false task.
inline const QString kTrueFalseStatement = QStringLiteral("Это утверждение верно");

// A weight above this is taken as this.
inline constexpr std::int32_t kMaxWeight = 1000;

} // namespace kvizor::quiz
