#include "HandOffFrame.h"

#include <QtEndian>

namespace kvizor::handoff {

QByteArray EncodeFrame(const QString& message)
{
    const QByteArray text = message.toUtf8();
    QByteArray frame(Magic, sizeof Magic);
    char length[4];
    qToLittleEndian(static_cast<quint32>(text.size()), length);
    frame.append(length, sizeof length);
    frame.append(text);
    return frame;
}

FrameDecoder::State FrameDecoder::feed(QByteArrayView bytes)
{
    if (m_state != State::NeedMore)
        return m_state;

    if (!m_headerRead) {
        const qsizetype take = qMin<qsizetype>(HeaderSize - m_buffer.size(), bytes.size());
        m_buffer.append(bytes.first(take));
        bytes = bytes.sliced(take);
        if (m_buffer.size() < HeaderSize)
            return m_state;
        if (QByteArrayView(m_buffer).first(sizeof Magic) != QByteArrayView(Magic, sizeof Magic)) {
            m_state = State::Invalid;
            return m_state;
        }
        m_length = qFromLittleEndian<quint32>(m_buffer.constData() + sizeof Magic);
        if (m_length > MaxMessageBytes) {
            m_state = State::Invalid;
            return m_state;
        }
        m_buffer.clear();
        m_headerRead = true;
    }

    const qsizetype missing = static_cast<qsizetype>(m_length) - m_buffer.size();
    m_buffer.append(bytes.first(qMin(missing, bytes.size())));
    if (m_buffer.size() == static_cast<qsizetype>(m_length)) {
        m_message = QString::fromUtf8(m_buffer);
        m_buffer.clear();
        m_state = State::Complete;
    }
    return m_state;
}

} // namespace kvizor::handoff
