#pragma once

#include <QString>

// When the workstation talks to the test server.
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

inline bool shouldSendInfoBegin(const NetSettings& settings, bool allowNetReport)
{
    return settings.IsSendResult && allowNetReport;
}

// Progress reports stop for the rest of a run after one failed.
inline bool shouldSendInfoProcess(const NetSettings& settings, bool allowNetReport, bool networkOK)
{
    return settings.IsSendResult && allowNetReport && networkOK;
}

// The result is sent even when progress reports failed.
inline bool shouldSendResult(const NetSettings& settings, bool allowNetReport)
{
    return settings.IsSendResult && allowNetReport;
}

} // namespace netpolicy

} // namespace kvizor
