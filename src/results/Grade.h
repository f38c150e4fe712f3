#pragma once

#include "ResultTest.h"

#include "model/Test.h"

#include <QList>
#include <QString>

namespace kvizor {

// Points x 100 / MaxPoints; 0 when MaxPoints is 0 or less (nothing could be scored, so
// nothing was reached).
double PercentOfPoints(const TResultTest& result);

// Sets MarkValue and MarkName to the last grade in list order whose Percent is reached
// (0 and empty when none is), and MarkCount to the size of the scale.
void ChooseMark(TResultTest& result, const QList<TMark>& marks);

// The grade as shown: MarkName, or the number MarkValue when the name is empty.
QString MarkText(const TResultTest& result);

} // namespace kvizor
