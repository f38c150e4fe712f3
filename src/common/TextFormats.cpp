#include "TextFormats.h"

#include <QLocale>

#include <cmath>

namespace kvizor {

QString formatOneDecimal(double value)
{
    // Scale through a decimal text first so 6.25 (exact) and 0.15 (binary 0.1499...)
    // both round the way a reader of the decimal number expects.
    const double tenths = std::round(QString::number(value * 10.0, 'g', 15).toDouble());
    double rounded = tenths / 10.0;
    if (rounded == 0.0)
        rounded = 0.0; // no "-0,0"
    // The regional decimal separator, but never a digit group: "1234,5", not "1 234,5".
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(rounded, 'f', 1);
}

QString formatDateTime(const QDateTime& value)
{
    return value.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
}

QString formatTime(const QDateTime& value)
{
    return value.toString(QStringLiteral("hh:mm:ss"));
}

QString formatDuration(std::int64_t seconds)
{
    // A negative span shows its magnitude, as a negative day fraction does.
    const std::int64_t s = (seconds < 0 ? -seconds : seconds) % 86400;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString PointsWord(std::int64_t n)
{
    const std::int64_t r100 = n % 100;
    const std::int64_t r10 = n % 10;
    if (r100 >= 11 && r100 <= 20)
        return QStringLiteral("баллов");
    if (r10 == 1)
        return QStringLiteral("балл");
    if (r10 >= 2 && r10 <= 4)
        return QStringLiteral("балла");
    return QStringLiteral("баллов");
}

} // namespace kvizor
