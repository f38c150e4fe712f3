#include "Grade.h"

#include <cmath>
#include <limits>

namespace kvizor {

double PercentOf(double part, std::int32_t whole)
{
    if (whole <= 0)
        return 0.0;
    return part * 100.0 / whole;
}

double PercentOfPoints(const TResultTest& result)
{
    return PercentOf(result.Points, result.MaxPoints);
}

TMarkChoice ChooseMarkFor(double percent, const QList<TMark>& marks)
{
    TMarkChoice choice;
    for (const TMark& mark : marks) {
        if (mark.Percent <= percent) {
            choice.Value = mark.Value;
            choice.Name = mark.Name;
        }
    }
    return choice;
}

void ChooseMark(TResultTest& result, const QList<TMark>& marks)
{
    const TMarkChoice choice = ChooseMarkFor(PercentOfPoints(result), marks);
    result.MarkValue = choice.Value;
    result.MarkName = choice.Name;
    result.MarkCount = static_cast<std::int32_t>(marks.size());
}

QString MarkText(std::int32_t value, const QString& name)
{
    return name.isEmpty() ? QString::number(value) : name;
}

QString MarkText(const TResultTest& result)
{
    return MarkText(result.MarkValue, result.MarkName);
}

int RoundHalfEven(double value)
{
    if (!std::isfinite(value))
        return 0;
    const double floor = std::floor(value);
    const double fraction = value - floor;
    double rounded = floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0))
        rounded = floor + 1.0;
    if (rounded >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (rounded <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(rounded);
}

} // namespace kvizor
