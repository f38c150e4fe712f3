#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kvizor::handoff {

// One hand-off travels over its own local connection as a frame: the magic "KVHO", the byte
// count of the message as a little-endian uint32, then the message in UTF-8. The receiver
// answers a complete frame with one Ack byte.
inline constexpr char Magic[4] = {'K', 'V', 'H', 'O'};
inline constexpr int HeaderSize = 8;
// Far above any path length; a larger count is refused before anything is buffered.
inline constexpr quint32 MaxMessageBytes = 64 * 1024;
inline constexpr char Ack = '\x06';

QByteArray EncodeFrame(const QString& message);

// Incremental reader of one frame from bytes as they arrive.
class FrameDecoder
{
public:
    enum class State
    {
        NeedMore,
        Complete,
        Invalid
    };

    // Bytes after a complete frame are ignored; once invalid, the decoder stays invalid.
    State feed(QByteArrayView bytes);
    State state() const { return m_state; }
    QString message() const { return m_message; }

private:
    QByteArray m_buffer;
    bool m_headerRead = false;
    quint32 m_length = 0;
    State m_state = State::NeedMore;
    QString m_message;
};

} // namespace kvizor::handoff
