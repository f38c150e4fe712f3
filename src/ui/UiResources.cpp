#include "ui/UiResources.h"

#include <QtGlobal>

#include <mutex>

// Q_INIT_RESOURCE has to be used outside of any namespace.
static void registerUiResources()
{
    Q_INIT_RESOURCE(ui);
}

namespace kvizor {

void initUiResources()
{
    static std::once_flag once;
    std::call_once(once, registerUiResources);
}

} // namespace kvizor
