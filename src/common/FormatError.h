#pragma once

#include <stdexcept>
#include <string>

namespace kvizor {

// Outside bytes that are short, impossible or inconsistent. Readers throw it; the
// command that called them catches it once and shows its own message.
class FormatError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A device refused to take the bytes given to it (disk full, closed pipe ...).
class WriteError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace kvizor
