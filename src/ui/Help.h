#pragma once

#include <QString>

namespace kvizor {

// The help shown by "Просмотр справки": Help.chm in programFolder when it exists,
// otherwise the bundled HTML help, written out to cacheFolder so an outside viewer
// can open it. Returns the path to open, empty when nothing can be offered.
QString helpDocumentPath(const QString& programFolder, const QString& cacheFolder, bool preferChm = true);

// Opens the help with the desktop's default viewer; a help file that cannot be opened
// falls back to the bundled HTML help. Shows nothing on failure.
void openHelp(const QString& programFolder);

} // namespace kvizor
