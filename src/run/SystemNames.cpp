#include "SystemNames.h"

#include <QSysInfo>
#include <QtGlobal>

#ifndef Q_OS_WIN
#include <pwd.h>
#include <unistd.h>

#include <vector>
#endif

namespace kvizor {
namespace {

#ifndef Q_OS_WIN
// The login name of the real user in the password database; empty when it has no entry.
QString passwordDatabaseName()
{
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr)
        return {};
    return QString::fromLocal8Bit(found->pw_name);
}
#endif

} // namespace

QString ShortComputerName(const QString& hostName)
{
    return hostName.section(QLatin1Char('.'), 0, 0).left(kMaxSystemNameLength);
}

QString ChooseLoginName(const QString& user, const QString& logName, const QString& passwordName)
{
    QString name = user;
    if (name.isEmpty())
        name = logName;
    if (name.isEmpty())
        name = passwordName;
    // A longer name is not stored cut: it would name another user.
    return name.size() <= kMaxSystemNameLength ? name : QString();
}

QString SystemComputerName()
{
    return ShortComputerName(QSysInfo::machineHostName());
}

QString SystemUserName()
{
#ifdef Q_OS_WIN
    return ChooseLoginName(qEnvironmentVariable("USERNAME"), {}, {});
#else
    const QString user = qEnvironmentVariable("USER");
    const QString logName = qEnvironmentVariable("LOGNAME");
    // The database is asked only when the environment says nothing.
    return ChooseLoginName(user, logName,
                           user.isEmpty() && logName.isEmpty() ? passwordDatabaseName() : QString());
#endif
}

} // namespace kvizor
