#include "SingleInstance.h"

#include <QMetaMethod>

namespace kvizor {

SingleInstance::~SingleInstance() = default;

void SingleInstance::deliver(const QString& message)
{
    if (m_pending.isEmpty() && isSignalConnected(QMetaMethod::fromSignal(&SingleInstance::handOffReceived))) {
        Q_EMIT handOffReceived(message);
        return;
    }
    m_pending.append(message);
}

void SingleInstance::connectNotify(const QMetaMethod& signal)
{
    // Queued, so the receiver is fully connected (and the caller back in its loop) first.
    if (signal == QMetaMethod::fromSignal(&SingleInstance::handOffReceived) && !m_pending.isEmpty())
        QMetaObject::invokeMethod(this, &SingleInstance::deliverPending, Qt::QueuedConnection);
}

void SingleInstance::deliverPending()
{
    while (!m_pending.isEmpty() &&
           isSignalConnected(QMetaMethod::fromSignal(&SingleInstance::handOffReceived)))
        Q_EMIT handOffReceived(m_pending.takeFirst());
}

} // namespace kvizor
