#include "ui/FontStandIns.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace kvizor {

namespace {

QStringList tahomaStandIns()
{
    return {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")};
}

QStringList timesNewRomanStandIns()
{
    return {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")};
}

} // namespace

QString InstalledFamily(const QString& family, const QStringList& standIns)
{
    if (QFontDatabase::hasFamily(family))
        return family;
    for (const QString& standIn : standIns) {
        if (QFontDatabase::hasFamily(standIn))
            return standIn;
    }
    return family;
}

void installFontStandIns()
{
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), tahomaStandIns());
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"), timesNewRomanStandIns());
}

QString TahomaFamily()
{
    // The installed fonts do not change while the program runs.
    static const QString family = InstalledFamily(QStringLiteral("Tahoma"), tahomaStandIns());
    return family;
}

QString TimesNewRomanFamily()
{
    static const QString family = InstalledFamily(QStringLiteral("Times New Roman"), timesNewRomanStandIns());
    return family;
}

} // namespace kvizor
