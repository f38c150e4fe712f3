#include "DateTime.h"

#include <cmath>

namespace kvizor {
namespace {
constexpr double kMsecsPerDay = 86400000.0;
const QDate kEpoch(1899, 12, 30);
// 0001-01-01 and 9999-12-31 relative to the epoch.
constexpr double kMinDays = -693593.0;
constexpr double kMaxDays = 2958466.0;
} // namespace

double dateTimeToDays(const QDateTime& value)
{
    if (!value.isValid())
        return 0.0;
    const QDateTime local = value.toLocalTime();
    const double days = static_cast<double>(kEpoch.daysTo(local.date()));
    const double fraction = local.time().msecsSinceStartOfDay() / kMsecsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime daysToDateTime(double days)
{
    if (!std::isfinite(days) || days < kMinDays || days >= kMaxDays)
        return {};
    const double whole = std::trunc(days);
    qint64 msecs = std::llround(std::fabs(days - whole) * kMsecsPerDay);
    QDate date = kEpoch.addDays(static_cast<qint64>(whole));
    if (msecs >= static_cast<qint64>(kMsecsPerDay)) {
        date = date.addDays(1);
        msecs = 0;
    }
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs)));
}

} // namespace kvizor
