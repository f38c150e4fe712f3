#include "NetPolicy.h"

#include "config/Config.h"

namespace kvizor {

NetSettings netSettingsOf(const TConfig& config)
{
    NetSettings settings;
    settings.IsSendResult = config.IsSendResult;
    settings.RemoteHost = config.RemoteHost;
    settings.RemotePort = config.RemotePort;
    settings.IsAutoGetTestFromStart = config.IsAutoGetTestFromStart;
    return settings;
}

} // namespace kvizor
