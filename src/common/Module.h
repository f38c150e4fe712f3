#pragma once

#include <QString>

namespace kvizor {

// Parts of the program that pull in large libraries (sound output, metafile converters,
// the network) live in their own shared modules and are loaded on first use, so that
// starting the program does not pay for libraries a session may never need. The build and
// the installation put the modules in the folder the program's run path names.

inline constexpr char SoundModule[] = "libkvizor_sound.so";
inline constexpr char MetafileModule[] = "libkvizor_metafile.so";
inline constexpr char NetworkModule[] = "libkvizor_network.so";

// The address of symbol in the module, loading the module on first use; nullptr with the
// reason in error when the module or the symbol is missing. Modules stay loaded.
void* ModuleSymbol(const char* module, const char* symbol, QString* error = nullptr);

// Typed form of ModuleSymbol for functions.
template <typename Function>
Function* ModuleFunction(const char* module, const char* symbol, QString* error = nullptr)
{
    return reinterpret_cast<Function*>(ModuleSymbol(module, symbol, error));
}

} // namespace kvizor
