#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>

// Number, date and duration texts of the result texts and the status bar.
namespace kvizor {

// "%1.1f": nearest tenth, halves away from zero, the locale's decimal separator and no digit grouping.
QString formatOneDecimal(double value);
// "dd.mm.yyyy hh:nn:ss"
QString formatDateTime(const QDateTime& value);
// "hh:nn:ss" of a date-time.
QString formatTime(const QDateTime& value);
// A number of seconds as the time of day that many seconds after midnight (wraps at 24 h).
QString formatDuration(std::int64_t seconds);
// The form of the Russian word for points that follows n: "балл", "балла" or "баллов".
QString PointsWord(std::int64_t n);

} // namespace kvizor
