#include "NetTestFetcher.h"

#include "NetMessages.h"

#include "run/SystemNames.h"

namespace kvizor {

namespace {

// As the run record stores it: a name over 15 characters is not sent at all.
QString recordComputerName()
{
    const QString name = SystemComputerName();
    return name.size() > 15 ? QString() : name;
}

} // namespace

NetTestFetcher::NetTestFetcher(ServerClient& client, SettingsSource settings, Notifier notifier)
    : m_client(client), m_settings(std::move(settings)), m_notifier(std::move(notifier)),
      m_computerName(&recordComputerName)
{
}

FetchOutcome NetTestFetcher::getTest(const ServerClient::TestReceiver& loadTest)
{
    const NetSettings settings = m_settings();
    if (!settings.IsSendResult)
        return FetchOutcome::Skipped;
    m_last = m_client.getTest({settings.RemoteHost, settings.RemotePort}, m_computerName(), loadTest);
    switch (m_last.status) {
    case ExchangeStatus::Ok:
        return FetchOutcome::Received;
    case ExchangeStatus::Refused:
        if (m_notifier)
            m_notifier({NetNotice::Kind::TestRefused, QString(), nettext::testRefused()});
        return FetchOutcome::Refused;
    case ExchangeStatus::Failed:
        break;
    }
    if (m_notifier)
        m_notifier({NetNotice::Kind::NoConnection, nettext::errorCaption(), nettext::noConnection()});
    return FetchOutcome::Failed;
}

} // namespace kvizor
