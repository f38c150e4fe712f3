#pragma once

#include <QString>

// When the workstation fetches a test from the server. The run controller decides
// itself when a run is reported.
namespace kvizor {

struct TConfig;

// The server settings of the configuration, read anew for every exchange.
struct NetSettings
{
    bool IsSendResult = false;
    QString RemoteHost = QStringLiteral("127.0.0.1");
    int RemotePort = 5005;
    bool IsAutoGetTestFromStart = false;
};

NetSettings netSettingsOf(const TConfig& config);

namespace netpolicy {

// `AGetTest` is enabled only with no test loaded and the exchange switched on.
inline bool isGetTestEnabled(const NetSettings& settings, bool noTestLoaded)
{
    return noTestLoaded && settings.IsSendResult;
}

// The fetch when the window is first shown.
inline bool shouldGetTestAtStart(const NetSettings& settings, bool fileOnCommandLine)
{
    return !fileOnCommandLine && settings.IsSendResult && settings.IsAutoGetTestFromStart;
}

} // namespace netpolicy

} // namespace kvizor
