#pragma once

#include <QString>

namespace kvizor {

// The password of the settings dialog, kept in plain text as the value "Password" of the
// program's per-user key. An absent and an empty value both mean no password. Reading
// creates the key when it is missing.
namespace settingspassword {

QString Read();
// False when the store could not be written.
bool Write(const QString& password);
bool Remove();

} // namespace settingspassword

} // namespace kvizor
