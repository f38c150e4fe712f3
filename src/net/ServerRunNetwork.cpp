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

bool ServerRunNetwork::keep(ExchangeResult result)
{
    m_last = std::move(result);
    return m_last.ok();
}

bool ServerRunNetwork::SendInfoBegin(const QString& runGuid, const TResultTest& result)
{
    return keep(m_client.sendInfoBegin(address(), buildInfoBeginBlock(infoBeginOf(result, runGuid))));
}

bool ServerRunNetwork::SendInfoProcess(const QString& runGuid, const TResultTest& result)
{
    return keep(m_client.sendInfoProcess(address(), buildInfoProcessBlock(infoProcessOf(result, runGuid))));
}

bool ServerRunNetwork::SendResult(const QString& runGuid, const TResultTest& result)
{
    return keep(m_client.sendResult(address(), runGuid, buildResultRecord(result)));
}

} // namespace kvizor
