#pragma once

#include "config/Config.h"

#include <QSet>
#include <QString>
#include <QStringList>

namespace kvizor {

// A lab's administrator deploys one settings file to every account; each user's own
// file then overrides it key by key. Administrator's files, least important first:
//   <dir>/Kvizor3/<ConfigFileName> for each folder of XDG_CONFIG_DIRS ("/etc/xdg" when
//   unset), the later folders first since the first one wins;
//   <ConfigFileName> beside the executable, when the program keeps the user's files
//   elsewhere (an installed program); a portable copy's own file is the user's file.
QStringList AdminConfigPaths(const TConfig& config);
QStringList AdminConfigPathsFor(const QString& fileName, const QString& configDirs,
                                const QString& executableFolder);

// What the administrator's files give: the settings over the defaults and the stored
// keys ("Section/Key") they set. A file that cannot be read is skipped and reported.
struct AdminConfig
{
    TConfig settings;
    QSet<QString> keys;
    ConfigStatus status;
};
AdminConfig ReadAdminConfig(const QStringList& paths);

// The name of a stored row in AdminConfig::keys.
QString ConfigKeyPath(const ConfigField& field);

} // namespace kvizor
