#pragma once

#include "NetPolicy.h"
#include "ServerClient.h"

#include "run/RunOutputs.h"

#include <functional>

namespace kvizor {

// The run controller's test-server reports over the shared client. The controller
// decides when to send (IsSendResult, AllowNetReport, NetworkOK), owns the run's GUID
// and shows "Нет связи с сервером!" when a call returns false; this class only runs
// the exchange, reading the server's address anew each time.
class ServerRunNetwork : public IRunNetwork
{
public:
    using SettingsSource = std::function<NetSettings()>;

    ServerRunNetwork(ServerClient& client, SettingsSource settings);

    bool SendInfoBegin(const QString& runGuid, const TResultTest& result) override;
    bool SendInfoProcess(const QString& runGuid, const TResultTest& result) override;
    bool SendResult(const QString& runGuid, const TResultTest& result) override;

    // The outcome of the last exchange, for diagnostics.
    const ExchangeResult& lastResult() const { return m_last; }

private:
    ServerAddress address() const;
    bool keep(ExchangeResult result);

    ServerClient& m_client;
    SettingsSource m_settings;
    ExchangeResult m_last;
};

} // namespace kvizor
