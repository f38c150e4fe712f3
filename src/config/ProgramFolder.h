#pragma once

#include <QString>

namespace kvizor {

// The folder of the settings file, the result log and the protected result file: the
// executable's folder when the user may write there (portable use), otherwise the
// per-user data folder, created when missing. An installed program, whose folder has
// "../share/kvizorstudent" beside it, always uses the per-user data folder. No trailing
// separator.
QString ProgramFolder();

// The rule itself, for a given executable folder.
QString ProgramFolderFor(const QString& executableFolder);

// The per-user data folder (created when missing), no trailing separator: where the files
// live when the program folder is not writable, and where a record goes when its shared
// result file stays locked.
QString UserDataFolder();

} // namespace kvizor
