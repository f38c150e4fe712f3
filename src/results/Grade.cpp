#include "Grade.h"

namespace kvizor {

double PercentOfPoints(const TResultTest& result)
{
    if (result.MaxPoints <= 0)
        return 0.0;
    return result.Points * 100.0 / result.MaxPoints;
}

void ChooseMark(TResultTest& result, const QList<TMark>& marks)
{
    const double percent = PercentOfPoints(result);
    result.MarkValue = 0;
    result.MarkName.clear();
    for (const TMark& mark : marks) {
        if (mark.Percent <= percent) {
            result.MarkValue = mark.Value;
            result.MarkName = mark.Name;
        }
    }
    result.MarkCount = static_cast<std::int32_t>(marks.size());
}

QString MarkText(const TResultTest& result)
{
    return result.MarkName.isEmpty() ? QString::number(result.MarkValue) : result.MarkName;
}

} // namespace kvizor
