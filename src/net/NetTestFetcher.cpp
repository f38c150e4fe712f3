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

FetchOutcome NetTestFetcher::getTest(const ServerClient::TestReceiver& loadTest, const Finished& finished)
{
    const NetSettings settings = m_settings();
    if (!settings.IsSendResult)
        return FetchOutcome::Skipped;
    m_client.getTest({settings.RemoteHost, settings.RemotePort}, m_computerName(), loadTest,
                     [this, finished](const GetTestResult& result) { report(result, finished); });
    return FetchOutcome::Started;
}

void NetTestFetcher::report(const GetTestResult& result, const Finished& finished)
{
    m_last = result;
    FetchOutcome outcome = FetchOutcome::Failed;
    switch (result.status) {
    case ExchangeStatus::Ok:
        outcome = FetchOutcome::Received;
        break;
    case ExchangeStatus::Refused:
        outcome = FetchOutcome::Refused;
        if (m_notifier)
            m_notifier({NetNotice::Kind::TestRefused, QString(), nettext::testRefused()});
        break;
    case ExchangeStatus::Failed:
        if (m_notifier)
            m_notifier({NetNotice::Kind::NoConnection, nettext::errorCaption(), nettext::noConnection()});
        break;
    }
    if (finished)
        finished(outcome);
}

} // namespace kvizor
