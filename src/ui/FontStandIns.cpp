#include "ui/FontStandIns.h"

#include <QFont>
#include <QStringList>

namespace kvizor {

void installFontStandIns()
{
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    QFont::insertSubstitutions(QStringLiteral("Times New Roman"),
                               {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
}

} // namespace kvizor
