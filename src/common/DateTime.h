#pragma once

#include <QDateTime>

namespace kvizor {

// Date-times in files and on the wire: days since 1899-12-30, the fraction being the
// local time of day. Days before the epoch carry the time as a positive fraction
// (-1.25 is 1899-12-29 06:00).
double dateTimeToDays(const QDateTime& value);
// An invalid QDateTime for values that are not finite or lie outside years 1..9999.
QDateTime daysToDateTime(double days);

} // namespace kvizor
