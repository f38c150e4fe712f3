#include "Guid.h"

#include <QUuid>

namespace kvizor {

QString NewGuidString()
{
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

} // namespace kvizor
