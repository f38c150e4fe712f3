#pragma once

#include "NetPolicy.h"
#include "ServerClient.h"

#include <QString>

#include <functional>

namespace kvizor {

enum class FetchOutcome
{
    // The exchange is switched off: nothing was sent and nothing is shown.
    Skipped,
    // Under way; the outcome follows.
    Started,
    Received,
    Refused,
    Failed
};

// A message about a fetch for the window to show in a box it owns.
struct NetNotice
{
    enum class Kind
    {
        // nettext::errorCaption(), error icon, nettext::noConnection().
        NoConnection,
        // A plain box with the application's title as caption, no icon,
        // nettext::testRefused().
        TestRefused
    };
    Kind kind;
    QString caption; // empty for TestRefused: the window puts its own title there
    QString text;
};

// `AGetTestExecute` (also the fetch at start-up): GETTEST over the shared client with
// the computer's network name; the received test goes to the loader while the
// connection is still open; a refusal or a failure is reported through the notifier
// once the connection is closed, and then the fetch reports its outcome.
class NetTestFetcher
{
public:
    using SettingsSource = std::function<NetSettings()>;
    using Notifier = std::function<void(const NetNotice&)>;
    using Finished = std::function<void(FetchOutcome)>;

    NetTestFetcher(ServerClient& client, SettingsSource settings, Notifier notifier);

    // Defaults to the system's network name, empty when longer than 15 characters.
    void setComputerNameSource(std::function<QString()> source) { m_computerName = std::move(source); }

    // Starts the fetch. loadTest is the loader (it may ask the opening password); an empty
    // name is handed on as it came. finished comes later from the event loop, after the
    // notifier. Returns Skipped, and does nothing, unless IsSendResult is set.
    FetchOutcome getTest(const ServerClient::TestReceiver& loadTest, const Finished& finished = {});

    // The outcome of the last exchange, for diagnostics.
    const GetTestResult& lastResult() const { return m_last; }

private:
    void report(const GetTestResult& result, const Finished& finished);

    ServerClient& m_client;
    SettingsSource m_settings;
    Notifier m_notifier;
    std::function<QString()> m_computerName;
    GetTestResult m_last;
};

} // namespace kvizor
