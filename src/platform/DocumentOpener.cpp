#include "DocumentOpener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kvizor::platform {

bool IsSafeLink(const QUrl& url)
{
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return !url.host().isEmpty();
    return scheme == QLatin1String("mailto") && !url.path().isEmpty();
}

bool OpenLink(const QUrl& url)
{
    return IsSafeLink(url) && QDesktopServices::openUrl(url);
}

bool OpenLocalFile(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() &&
           QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

HelpFile ResolveHelpFile(const QString& programFolder, const QStringList& dataFolders)
{
    const QDir program(programFolder);
    const QString chm = program.filePath(QLatin1String(HelpChmName));
    if (QFileInfo(chm).isFile())
        return {HelpFile::Kind::Chm, chm};

    QStringList candidates{
        program.filePath(QLatin1String(HelpHtmlBesideProgram)),
        QDir::cleanPath(program.filePath(QLatin1String("../share/") + QLatin1String(HelpHtmlInDataFolder)))};
    for (const QString& folder : dataFolders)
        candidates.append(QDir(folder).filePath(QLatin1String(HelpHtmlInDataFolder)));
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isFile())
            return {HelpFile::Kind::Html, candidate};
    }
    return {};
}

HelpFile ResolveHelpFile(const QString& programFolder)
{
    return ResolveHelpFile(programFolder,
                           QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation));
}

} // namespace kvizor::platform
