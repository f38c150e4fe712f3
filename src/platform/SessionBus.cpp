#include "SessionBus.h"

#include <QByteArray>
#include <QtGlobal>

namespace kvizor {

namespace {
constexpr const char* BusVariable = "DBUS_SESSION_BUS_ADDRESS";
}

NoBusAutolaunch::NoBusAutolaunch() : m_switchedOff(!qEnvironmentVariableIsSet(BusVariable))
{
    // An address of an unknown kind: libdbus gives up at once instead of autolaunching.
    if (m_switchedOff)
        qputenv(BusVariable, "disabled:");
}

NoBusAutolaunch::~NoBusAutolaunch()
{
    restore();
}

void NoBusAutolaunch::restore()
{
    if (m_switchedOff)
        qunsetenv(BusVariable);
    m_switchedOff = false;
}

} // namespace kvizor
