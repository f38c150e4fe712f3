#include "Module.h"

#include <dlfcn.h>

namespace kvizor {

void* ModuleSymbol(const char* module, const char* symbol, QString* error)
{
    // A bare file name: the dynamic loader searches the program's run path. dlopen keeps one
    // handle per module, so later calls cost a lookup only.
    void* handle = ::dlopen(module, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        if (error)
            *error = QString::fromLocal8Bit(::dlerror());
        return nullptr;
    }
    ::dlerror();
    void* address = ::dlsym(handle, symbol);
    if (address == nullptr && error)
        *error = QStringLiteral("%1: no %2").arg(QString::fromLocal8Bit(module), QString::fromLatin1(symbol));
    return address;
}

} // namespace kvizor
