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

QString installedOf(const QString& family, const QStringList& standIns)
{
    if (QFontDatabase::hasFamily(family))
        return family;
    for (const QString& standIn : standIns) {
        if (QFontDatabase::hasFamily(standIn))
            return standIn;
    }
    return family;
}

} // namespace

void installFontStandIns()
{
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), tahomaStandIns());
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"), timesNewRomanStandIns());
}

QString TahomaFamily()
{
    // The installed fonts do not change while the program runs.
    static const QString family = installedOf(QStringLiteral("Tahoma"), tahomaStandIns());
    return family;
}

QString TimesNewRomanFamily()
{
    static const QString family = installedOf(QStringLiteral("Times New Roman"), timesNewRomanStandIns());
    return family;
}

} // namespace kvizor
