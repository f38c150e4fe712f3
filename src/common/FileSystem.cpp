#include "FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kvizor {

bool DeleteFolder(const QString& path, QString* errorText)
{
    bool ok = true;
    auto fail = [&](const QString& text) {
        if (ok && errorText)
            *errorText = text;
        ok = false;
    };
    QDir dir(path);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink()) {
            if (ok && !DeleteFolder(entry.absoluteFilePath(), errorText))
                ok = false;
            continue;
        }
        QFile file(entry.absoluteFilePath());
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
        if (!file.remove())
            fail(file.errorString());
    }
    if (!dir.rmdir(dir.absolutePath()))
        fail(QStringLiteral("Не удалось удалить папку %1").arg(QDir::toNativeSeparators(path)));
    return ok;
}

} // namespace kvizor
