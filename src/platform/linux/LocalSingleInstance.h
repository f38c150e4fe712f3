#pragma once

#include "platform/HandOffFrame.h"
#include "platform/SingleInstance.h"

#include <map>
#include <memory>
#include <optional>

class QLockFile;
class QSocketNotifier;
class QTimer;

namespace kvizor {

// Single instance through a local socket named after the channel and the user id, in the
// user's private runtime folder. Who is first is decided by a lock file beside it: taking a
// lock is atomic, so two launches at the same moment cannot both win, and a lock left by a
// process that no longer runs is recognised as stale and taken over.
class LocalSingleInstance : public SingleInstance
{
    Q_OBJECT

public:
    // folder: where the socket and the lock live; empty means the user's runtime folder
    // (the temporary folder when there is none).
    explicit LocalSingleInstance(const QString& channel = HandOffChannel, const QString& folder = {},
                                 QObject* parent = nullptr);
    ~LocalSingleInstance() override;

    Role start() override;
    bool isListening() const override;
    bool sendHandOff(const QString& message) override;
    QString errorString() const override { return m_errorString; }

    QString serverPath() const { return m_serverPath; }
    QString lockPath() const { return m_lockPath; }

    // How long a second instance keeps trying to reach the first one, in milliseconds.
    void setDeliveryTimeout(int msecs) { m_deliveryTimeout = msecs; }

private:
    // A connection of a later launch, until its frame is complete and it has hung up.
    struct Incoming
    {
        QSocketNotifier* notifier = nullptr;
        QTimer* timeout = nullptr;
        handoff::FrameDecoder decoder;
        bool answered = false;
    };

    void listen();
    void stopListening();
    void acceptConnections();
    void readFrom(int fd);
    void drop(int fd);

    QString m_serverPath;
    QString m_lockPath;
    std::unique_ptr<QLockFile> m_lock;
    int m_listenFd = -1;
    QSocketNotifier* m_listenNotifier = nullptr;
    std::map<int, Incoming> m_incoming;
    std::optional<Role> m_role;
    QString m_errorString;
    int m_deliveryTimeout = 5000;
};

// Identifies the current user in channel names.
QString CurrentUserId();

} // namespace kvizor
