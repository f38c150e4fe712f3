#include "ui/Help.h"

#include "platform/DocumentOpener.h"
#include "ui/UiResources.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace kvizor {

namespace {

// Writes the bundled page only when the copy on disk differs, so repeated opening
// does not touch the disk.
QString writeBundledHelp(const QString& cacheFolder)
{
    initUiResources();
    QFile source(QStringLiteral(":/kvizor/help/index.html"));
    if (!source.open(QIODevice::ReadOnly))
        return {};
    const QByteArray content = source.readAll();
    if (!QDir().mkpath(cacheFolder))
        return {};
    const QString target = QDir(cacheFolder).filePath(QStringLiteral("KvizorStudent_Help.html"));
    QFile existing(target);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return target;
    existing.close();
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.commit())
        return {};
    return target;
}

} // namespace

QString helpDocumentPath(const QString& programFolder, const QString& cacheFolder, bool preferChm)
{
    const QString chm = QDir(programFolder).filePath(QStringLiteral("Help.chm"));
    if (preferChm && QFileInfo(chm).isFile())
        return chm;
    return writeBundledHelp(cacheFolder);
}

void openHelp(const QString& programFolder)
{
    const platform::HelpFile help = platform::ResolveHelpFile(programFolder);
    if (help.kind != platform::HelpFile::Kind::None && platform::OpenLocalFile(help.path))
        return;
    // No help file beside the program, or none that opens (no viewer for Help.chm on this
    // desktop): the bundled pages.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    const QString html = helpDocumentPath(programFolder, cache, false);
    if (!html.isEmpty() && html != help.path)
        platform::OpenLocalFile(html);
}

} // namespace kvizor
