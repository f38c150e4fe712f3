#pragma once

#include "NetMessages.h"
#include "NetPolicy.h"
#include "ServerClient.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace kvizor {

enum class NetOutcome
{
    // The condition did not hold: nothing was sent and nothing is shown.
    Skipped,
    Done,
    // GETTEST only: the server did not hand out a test.
    Refused,
    Failed
};

// A message for the examinee about an exchange; the window shows it in a box it owns.
struct NetNotice
{
    enum class Kind
    {
        // Caption "Ошибка!", error icon.
        NoConnection,
        // A plain box with the application's title as caption, no icon.
        TestRefused
    };
    Kind kind;
    QString caption; // empty for TestRefused: the window puts its own title there
    QString text;
};

// The test-server side of a run: owns `RunGUID` and `NetworkOK`, checks each
// operation's condition, runs the exchange on the shared client and reports
// failures through the notifier. The run controller calls beginRun() and the three
// send operations at their points of the run; the main window calls getTest().
class NetReporter
{
public:
    using SettingsSource = std::function<NetSettings()>;
    using Notifier = std::function<void(const NetNotice&)>;

    NetReporter(ServerClient& client, SettingsSource settings, Notifier notifier = {});

    // The computer's network name sent with GETTEST; defaults to localComputerName().
    void setComputerNameSource(std::function<QString()> source) { m_computerName = std::move(source); }

    // At the begin of every run, before sendInfoBegin(): a new `RunGUID`, `NetworkOK` true.
    const QString& beginRun();
    const QString& runGuid() const { return m_runGuid; }
    bool networkOK() const { return m_networkOK; }

    // `AGetTestExecute`: the receiver is the loader (from memory); it runs while the
    // connection is still open. Refused and Failed are reported after disconnecting.
    NetOutcome getTest(const ServerClient::TestReceiver& loadTest);
    // `SendInfoBegin`: after the begin line of the log, before the first task.
    NetOutcome sendInfoBegin(bool allowNetReport, const TResultTest& run);
    // `SendInfoProcess`: at the end of every evaluation, with the counters as they stand.
    NetOutcome sendInfoProcess(bool allowNetReport, const TResultTest& run);
    // `SendResult`: after the grade is chosen and EndTime set.
    NetOutcome sendResult(bool allowNetReport, const TResultTest& run);

    // The same from prepared data; the RunGUID fields are replaced by runGuid().
    NetOutcome sendInfoBegin(bool allowNetReport, InfoBeginData data);
    NetOutcome sendInfoProcess(bool allowNetReport, InfoProcessData data);
    // record: the run's record in its stored layout.
    NetOutcome sendResult(bool allowNetReport, const QByteArray& record);

    // The network name as stored in a run record: empty when it cannot be read or is
    // longer than 15 characters.
    static QString localComputerName();

private:
    ServerAddress address() const;
    NetOutcome finish(const ExchangeResult& result);

    ServerClient& m_client;
    SettingsSource m_settings;
    Notifier m_notifier;
    std::function<QString()> m_computerName;
    QString m_runGuid;
    bool m_networkOK = false;
};

} // namespace kvizor
