#pragma once

#include <QLatin1String>
#include <QObject>
#include <QStringList>

#include <memory>

namespace kvizor {

// Decides whether this process is the first running instance of the program for the current
// user, and carries the first argument of every later launch to that first instance.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Role
    {
        First,
        Second
    };

    // Name of the per-user channel between the instances.
    static constexpr QLatin1String HandOffChannel{"KvizorStudent_FileCommand"};

    using QObject::QObject;
    ~SingleInstance() override;

    // Decides the role once (later calls return the same answer). Needs a QCoreApplication.
    // A first instance keeps its claim until this object is destroyed.
    virtual Role start() = 0;

    // First instance: whether later launches can reach it. When the channel could not be
    // opened the program still runs, alone, and errorString() says why.
    virtual bool isListening() const = 0;

    // Second instance: delivers one message to the first one, waiting a few seconds at most.
    // False when it could not be delivered.
    virtual bool sendHandOff(const QString& message) = 0;

    virtual QString errorString() const = 0;

    // The implementation of this platform for the program's channel.
    static std::unique_ptr<SingleInstance> create();

Q_SIGNALS:
    // One signal per hand-off, in the order they arrived, emitted from the event loop (also
    // inside modal loops, so a receiver that opens dialogs must guard against re-entry).
    // Hand-offs that arrive while nothing is connected are kept and delivered, in order, once
    // a receiver connects.
    void handOffReceived(const QString& message);

protected:
    // Emits handOffReceived, or keeps the message until a receiver connects.
    void deliver(const QString& message);
    void connectNotify(const QMetaMethod& signal) override;

private:
    void deliverPending();

    QStringList m_pending;
};

} // namespace kvizor
