#pragma once

#include "NetPolicy.h"
#include "ServerClient.h"

#include "run/RunOutputs.h"

#include <functional>

namespace kvizor {

// The run controller's test-server reports over the shared client. The controller
// decides when to send (IsSendResult, AllowNetReport, NetworkOK), owns the run's GUID
// and shows "Нет связи с сервером!" when an exchange failed; this class only runs the
// exchange, reading the server's address anew each time. The bytes of a message are
// built when it starts, so the exchange owns everything it sends.
class ServerRunNetwork : public IRunNetwork
{
public:
    using SettingsSource = std::function<NetSettings()>;

    ServerRunNetwork(ServerClient& client, SettingsSource settings);

    void SendInfoBegin(const QString& runGuid, const TResultTest& result, const Done& done) override;
    void SendInfoProcess(const QString& runGuid, const TResultTest& result, const Done& done) override;
    void SendResult(const QString& runGuid, const TResultTest& result, const Done& done) override;
    void Cancel() override;

    // The outcome of the last exchange, for diagnostics.
    const ExchangeResult& lastResult() const { return m_last; }

private:
    ServerAddress address() const;
    ServerClient::Completion keep(const Done& done);

    ServerClient& m_client;
    SettingsSource m_settings;
    ExchangeResult m_last;
};

} // namespace kvizor
