#include "SystemNames.h"

#include <QSysInfo>
#include <QtGlobal>

namespace kvizor {

QString SystemComputerName()
{
    return QSysInfo::machineHostName();
}

QString SystemUserName()
{
#ifdef Q_OS_WIN
    return qEnvironmentVariable("USERNAME");
#else
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        name = qEnvironmentVariable("LOGNAME");
    return name;
#endif
}

} // namespace kvizor
