#pragma once

#include <QString>

namespace kvizor {

// The computer's network name and the login name of the user running the program; empty
// when they cannot be read.
QString SystemComputerName();
QString SystemUserName();

} // namespace kvizor
