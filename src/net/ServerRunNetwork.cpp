#include "ServerRunNetwork.h"

#include "NetMessages.h"

namespace kvizor {

ServerRunNetwork::ServerRunNetwork(ServerClient& client, SettingsSource settings)
    : m_client(client), m_settings(std::move(settings))
{
}

ServerAddress ServerRunNetwork::address() const
{
    const NetSettings settings = m_settings();
    return {settings.RemoteHost, settings.RemotePort};
}

ServerClient::Completion ServerRunNetwork::keep(const Done& done)
{
    return [this, done](const ExchangeResult& result) {
        m_last = result;
        done(result.ok());
    };
}

void ServerRunNetwork::SendInfoBegin(const QString& runGuid, const TResultTest& result, const Done& done)
{
    m_client.sendInfoBegin(address(), buildInfoBeginBlock(infoBeginOf(result, runGuid)), keep(done));
}

void ServerRunNetwork::SendInfoProcess(const QString& runGuid, const TResultTest& result, const Done& done)
{
    m_client.sendInfoProcess(address(), buildInfoProcessBlock(infoProcessOf(result, runGuid)), keep(done));
}

void ServerRunNetwork::SendResult(const QString& runGuid, const TResultTest& result, const Done& done)
{
    m_client.sendResult(address(), runGuid, buildResultRecord(result), keep(done));
}

void ServerRunNetwork::Cancel()
{
    m_client.cancel();
}

} // namespace kvizor
