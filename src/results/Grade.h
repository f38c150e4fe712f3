#pragma once

#include "model/Test.h"

#include <QList>
#include <QString>

#include <cstdint>

namespace kvizor {

class TResultTest;

struct TMarkChoice
{
    std::int32_t Value = 0;
    QString Name;
};

// part * 100 / whole in floating point; 0 when whole is 0 (a run with nothing at stake
// has no percentage, and 0 keeps every text and the grade defined).
double PercentOf(double part, std::int32_t whole);

// The last grade in list order whose minimum is reached (equality qualifies); value 0 and
// no name when none is.
TMarkChoice ChooseMarkFor(double percent, const QList<TMark>& marks);

// Sets MarkValue, MarkName and MarkCount of the record from the scale and its points.
void ChooseMark(TResultTest& result, const QList<TMark>& marks);

// The grade as texts show it: its name, else its value.
QString MarkText(std::int32_t value, const QString& name);
QString MarkText(const TResultTest& result);

// Rounding of the result charts: to the nearest integer, halves to the even neighbour.
int RoundHalfEven(double value);

} // namespace kvizor
