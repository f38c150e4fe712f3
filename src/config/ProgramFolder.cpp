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
    if (!executableFolder.isEmpty() && info.isDir() && info.isWritable())
        return QDir::cleanPath(info.absoluteFilePath());
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return QDir::cleanPath(data);
}

} // namespace kvizor
