#include "NetReporter.h"

#include "common/Guid.h"
#include "results/ResultTest.h"

#include <QSysInfo>

namespace kvizor {

NetReporter::NetReporter(ServerClient& client, SettingsSource settings, Notifier notifier)
    : m_client(client), m_settings(std::move(settings)), m_notifier(std::move(notifier)),
      m_computerName(&NetReporter::localComputerName)
{
}

QString NetReporter::localComputerName()
{
    const QString name = QSysInfo::machineHostName();
    return name.size() > 15 ? QString() : name;
}

const QString& NetReporter::beginRun()
{
    m_runGuid = NewGuidString();
    m_networkOK = true;
    return m_runGuid;
}

ServerAddress NetReporter::address() const
{
    const NetSettings settings = m_settings();
    return {settings.RemoteHost, settings.RemotePort};
}

NetOutcome NetReporter::finish(const ExchangeResult& result)
{
    switch (result.status) {
    case ExchangeStatus::Ok:
        return NetOutcome::Done;
    case ExchangeStatus::Refused:
        if (m_notifier)
            m_notifier({NetNotice::Kind::TestRefused, QString(), nettext::testRefused()});
        return NetOutcome::Refused;
    case ExchangeStatus::Failed:
        break;
    }
    if (m_notifier)
        m_notifier({NetNotice::Kind::NoConnection, nettext::errorCaption(), nettext::noConnection()});
    return NetOutcome::Failed;
}

NetOutcome NetReporter::getTest(const ServerClient::TestReceiver& loadTest)
{
    if (!m_settings().IsSendResult)
        return NetOutcome::Skipped;
    const QString computerName = m_computerName ? m_computerName() : QString();
    return finish(m_client.getTest(address(), computerName, loadTest));
}

NetOutcome NetReporter::sendInfoBegin(bool allowNetReport, InfoBeginData data)
{
    if (!netpolicy::shouldSendInfoBegin(m_settings(), allowNetReport))
        return NetOutcome::Skipped;
    data.RunGUID = m_runGuid;
    const ExchangeResult result = m_client.sendInfoBegin(address(), buildInfoBeginBlock(data));
    if (!result.ok())
        m_networkOK = false;
    return finish(result);
}

NetOutcome NetReporter::sendInfoProcess(bool allowNetReport, InfoProcessData data)
{
    if (!netpolicy::shouldSendInfoProcess(m_settings(), allowNetReport, m_networkOK))
        return NetOutcome::Skipped;
    data.RunGUID = m_runGuid;
    const ExchangeResult result = m_client.sendInfoProcess(address(), buildInfoProcessBlock(data));
    if (!result.ok())
        m_networkOK = false;
    return finish(result);
}

NetOutcome NetReporter::sendInfoBegin(bool allowNetReport, const TResultTest& run)
{
    return sendInfoBegin(allowNetReport, infoBeginOf(run, m_runGuid));
}

NetOutcome NetReporter::sendInfoProcess(bool allowNetReport, const TResultTest& run)
{
    return sendInfoProcess(allowNetReport, infoProcessOf(run, m_runGuid));
}

NetOutcome NetReporter::sendResult(bool allowNetReport, const TResultTest& run)
{
    if (!netpolicy::shouldSendResult(m_settings(), allowNetReport))
        return NetOutcome::Skipped;
    return sendResult(allowNetReport, buildResultRecord(run));
}

NetOutcome NetReporter::sendResult(bool allowNetReport, const QByteArray& record)
{
    if (!netpolicy::shouldSendResult(m_settings(), allowNetReport))
        return NetOutcome::Skipped;
    return finish(m_client.sendResult(address(), m_runGuid, record));
}

} // namespace kvizor
