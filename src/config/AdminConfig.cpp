#include "config/AdminConfig.h"

#include "config/IniDocument.h"
#include "config/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace kvizor {

QStringList AdminConfigPathsFor(const QString& fileName, const QString& configDirs,
                                const QString& executableFolder)
{
    QStringList paths;
    const QStringList dirs =
        (configDirs.isEmpty() ? QStringLiteral("/etc/xdg") : configDirs).split(u':', Qt::SkipEmptyParts);
    for (auto it = dirs.crbegin(); it != dirs.crend(); ++it) {
        // Relative entries mean nothing outside a session and are ignored.
        if (QDir::isAbsolutePath(*it))
            paths.append(QDir(*it).filePath(QStringLiteral("Kvizor3/") + fileName));
    }
    if (!executableFolder.isEmpty() &&
        QDir::cleanPath(ProgramFolderFor(executableFolder)) != QDir::cleanPath(executableFolder))
        paths.append(QDir(executableFolder).filePath(fileName));
    return paths;
}

QStringList AdminConfigPaths(const TConfig& config)
{
    return AdminConfigPathsFor(config.ConfigFileName, qEnvironmentVariable("XDG_CONFIG_DIRS"),
                               QCoreApplication::applicationDirPath());
}

QString ConfigKeyPath(const ConfigField& field)
{
    return QString::fromLatin1(field.section) + u'/' + QString::fromLatin1(field.key);
}

AdminConfig ReadAdminConfig(const QStringList& paths)
{
    AdminConfig admin;
    for (const QString& path : paths) {
        IniDocument doc;
        QString error;
        if (!IniDocument::readFile(path, doc, error)) {
            if (admin.status.ok)
                admin.status = ConfigStatus{false, QString::fromUtf16(LoadConfigErrorText),
                                            QDir::toNativeSeparators(path) + QStringLiteral(": ") + error};
            continue;
        }
        ReadConfig(admin.settings, doc);
        for (const ConfigField& f : StoredConfigFields()) {
            if (doc.value(QString::fromLatin1(f.section), QString::fromLatin1(f.key)))
                admin.keys.insert(ConfigKeyPath(f));
        }
    }
    return admin;
}

} // namespace kvizor
