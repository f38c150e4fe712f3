#pragma once

#include <QString>

namespace kvizor {

// The longest computer or login name a run record holds, as the result files have it.
inline constexpr int kMaxSystemNameLength = 15;

// The computer name a run records: the host name up to its first dot, cut to 15 characters.
QString ShortComputerName(const QString& hostName);

// The login name a run records: USER, else LOGNAME, else the name the password database
// gives the user; empty when that is longer than 15 characters.
QString ChooseLoginName(const QString& user, const QString& logName, const QString& passwordName);

// The names of this computer and of the user running the program, by the rules above.
QString SystemComputerName();
QString SystemUserName();

} // namespace kvizor
