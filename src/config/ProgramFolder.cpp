#include "config/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kvizor {

QString ProgramFolder()
{
    return ProgramFolderFor(QCoreApplication::applicationDirPath());
}

QString ProgramFolderFor(const QString& executableFolder)
{
    const QFileInfo info(executableFolder);
    // An installed program (its data beside its bin folder) never writes into the system's
    // bin folder, even when run by a user who could.
    const bool installed =
        !executableFolder.isEmpty() &&
        QFileInfo(QDir(executableFolder).filePath(QStringLiteral("../share/kvizorstudent"))).isDir();
    if (!executableFolder.isEmpty() && !installed && info.isDir() && info.isWritable())
        return QDir::cleanPath(info.absoluteFilePath());
    return UserDataFolder();
}

QString UserDataFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return QDir::cleanPath(data);
}

} // namespace kvizor
