#pragma once

#include <QString>

namespace kvizor {

// A new GUID as 38 characters: braces and upper-case hexadecimal digits.
QString NewGuidString();

} // namespace kvizor
