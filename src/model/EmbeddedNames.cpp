#include "EmbeddedNames.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace kvizor {

bool IsValidEmbeddedName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    // Folder separators and drive marks of every platform, and what Windows refuses.
    for (const QChar ch : name) {
        if (ch.unicode() < 0x20 || QStringView(u"/\\:*?\"<>|").contains(ch))
            return false;
    }
    // The usual limit of one file name component, in the bytes the file system sees.
    return QFile::encodeName(name).size() <= 255;
}

QString EmbeddedNameKey(const QString& name)
{
    return name.toCaseFolded();
}

QString FindPictureFile(const QString& folder, const QString& imageFile)
{
    if (!IsValidEmbeddedName(imageFile))
        return {};
    const QDir dir(folder);
    const QString exact = dir.filePath(imageFile);
    if (QFileInfo(exact).isFile())
        return exact;
    // Only a name written in another case costs a walk through the folder.
    const QString key = EmbeddedNameKey(imageFile);
    QDirIterator entries(folder, QDir::Files | QDir::Hidden);
    while (entries.hasNext()) {
        const QString path = entries.next();
        if (EmbeddedNameKey(entries.fileName()) == key)
            return path;
    }
    return {};
}

} // namespace kvizor
