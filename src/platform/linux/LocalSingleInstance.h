#pragma once

#include "platform/HandOffFrame.h"
#include "platform/SingleInstance.h"

#include <QHash>

#include <memory>
#include <optional>

class QLocalServer;
class QLocalSocket;
class QLockFile;

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
    void listen();
    void acceptConnections();
    void readFrom(QLocalSocket* socket);

    QString m_serverPath;
    QString m_lockPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    QHash<QLocalSocket*, handoff::FrameDecoder> m_incoming;
    std::optional<Role> m_role;
    QString m_errorString;
    int m_deliveryTimeout = 5000;
};

// Identifies the current user in channel names.
QString CurrentUserId();

} // namespace kvizor
