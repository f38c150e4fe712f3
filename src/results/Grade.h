#pragma once

#include "ResultTest.h"

#include "model/Test.h"

#include <QList>
#include <QString>

#include <cstdint>

namespace kvizor {

struct TMarkChoice
{
    std::int32_t Value = 0;
    QString Name;
};

// part * 100 / whole in floating point; 0 when whole is 0 or less (a run with nothing at
// stake has no percentage, and 0 keeps every text and the grade defined).
double PercentOf(double part, std::int32_t whole);
// Points x 100 / MaxPoints, by the rule above.
double PercentOfPoints(const TResultTest& result);

// The last grade in list order whose minimum is reached (equality qualifies); value 0 and
// no name when none is.
TMarkChoice ChooseMarkFor(double percent, const QList<TMark>& marks);

// Sets MarkValue and MarkName from the scale (0 and empty when no grade is reached), and
// MarkCount to the size of the scale.
void ChooseMark(TResultTest& result, const QList<TMark>& marks);

// The grade as texts show it: its name, else its value.
QString MarkText(std::int32_t value, const QString& name);
QString MarkText(const TResultTest& result);

// Rounding of the result charts: to the nearest integer, halves to the even neighbour.
int RoundHalfEven(double value);

} // namespace kvizor
