#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace kvizor::platform {

// Whether a link found in a test's text may be opened: only web pages and e-mail addresses,
// never local files or other schemes that could start programs.
bool IsSafeLink(const QUrl& url);

// Opens such a link with the desktop's default handler; false when refused or not opened.
bool OpenLink(const QUrl& url);

// Opens an existing local file (help, documents chosen by the program) with its default viewer.
bool OpenLocalFile(const QString& path);

// Where the help is found.
struct HelpFile
{
    enum class Kind
    {
        None,
        Chm,
        Html
    };
    Kind kind = Kind::None;
    QString path;
};

inline constexpr char HelpChmName[] = "Help.chm";
// The bundled HTML help, relative to the program's folder or to a data folder.
inline constexpr char HelpHtmlBesideProgram[] = "help/index.html";
inline constexpr char HelpHtmlInDataFolder[] = "kvizorstudent/help/index.html";

// "Help.chm" beside the program when it is there; otherwise the bundled HTML help: beside
// the program, then in ../share of an installed program, then in the data folders.
HelpFile ResolveHelpFile(const QString& programFolder, const QStringList& dataFolders);
// The same with the system's data folders.
HelpFile ResolveHelpFile(const QString& programFolder);

} // namespace kvizor::platform
