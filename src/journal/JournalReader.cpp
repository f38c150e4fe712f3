#include "JournalReader.h"

#include "JournalEvents.h"
#include "JournalFormat.h"
#include "JournalFrame.h"

#include "common/BinaryReader.h"
#include "common/FormatError.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include <algorithm>

namespace kvizor {
namespace {

using namespace journal;

constexpr qint64 kChunk = 64 * 1024;
constexpr qint64 kTornTailSize = 16;

// How a frame ended: read whole, or why not.
enum class FrameOutcome
{
    Read,
    Cut,
    Damaged,
    Unreadable,
};

class Scanner
{
public:
    Scanner(QIODevice& device, const JournalReadOptions& options)
        : m_device(device), m_withBytes(options.WithTestBytes),
          m_key(options.Key.isEmpty() ? ProgramKey() : options.Key)
    {
    }

    JournalReadResult run();

private:
    bool readExactly(char* data, qint64 count);
    bool readInto(QByteArray& bytes, qint64 count);
    FrameOutcome readHeader();
    FrameOutcome readFrame();
    FrameOutcome readTestBytes(FrameMac& mac, qint64 length, qint64 start);
    FrameOutcome checkMac(FrameMac& mac, qint64 start);
    bool tornTail();
    FrameOutcome damaged(const QString& text, qint64 offset);
    FrameOutcome unreadable();

    QIODevice& m_device;
    const bool m_withBytes;
    const QByteArray m_key;
    qint64 m_size = 0;
    qint64 m_pos = 0;
    QByteArray m_chain;
    JournalReadResult m_result;
};

bool Scanner::readExactly(char* data, qint64 count)
{
    while (count > 0) {
        const qint64 got = m_device.read(data, count);
        if (got <= 0)
            return false;
        data += got;
        count -= got;
        m_pos += got;
    }
    return true;
}

bool Scanner::readInto(QByteArray& bytes, qint64 count)
{
    bytes.resize(count);
    return readExactly(bytes.data(), count);
}

FrameOutcome Scanner::damaged(const QString& text, qint64 offset)
{
    m_result.Status = JournalStatus::Damaged;
    m_result.Problem = offset < 0 ? text : QStringLiteral("%1 (смещение %2)").arg(text).arg(offset);
    return FrameOutcome::Damaged;
}

FrameOutcome Scanner::unreadable()
{
    m_result.Status = JournalStatus::Unreadable;
    m_result.Problem = QStringLiteral("журнал не читается: %1").arg(m_device.errorString());
    return FrameOutcome::Unreadable;
}

FrameOutcome Scanner::readHeader()
{
    const QByteArray expected = FileHeader();
    QByteArray header;
    if (!readInto(header, std::min<qint64>(m_size, kHeaderSize)))
        return unreadable();
    if (header.size() < kHeaderSize) {
        if (!expected.startsWith(header))
            return damaged(QStringLiteral("файл не является журналом теста"), -1);
        return FrameOutcome::Cut;
    }
    if (!header.startsWith(kMagic))
        return damaged(QStringLiteral("файл не является журналом теста"), -1);
    if (header != expected) {
        const quint32 version = qFromLittleEndian<quint32>(header.constData() + kMagicSize);
        return damaged(QStringLiteral("журнал другой версии (%1)").arg(version), -1);
    }
    m_chain = InitialChain(m_key);
    return FrameOutcome::Read;
}

// A power cut can leave a file longer than what reached the disk, its end reading as zeros.
// Such a tail is a cut (as a shorter file would be), not damage: a MAC never ends in 16 zero
// bytes, and making a tail read so gains nothing over cutting the file there.
bool Scanner::tornTail()
{
    const qint64 count = std::min<qint64>(kTornTailSize, m_size - journal::kHeaderSize);
    QByteArray end;
    if (!m_device.seek(m_size - count) || !readInto(end, count))
        return false;
    return std::all_of(end.cbegin(), end.cend(), [](char c) { return c == 0; });
}

FrameOutcome Scanner::checkMac(FrameMac& mac, qint64 start)
{
    char stored[kMacSize];
    if (!readExactly(stored, kMacSize))
        return unreadable();
    const QByteArray computed = mac.result();
    if (computed != QByteArrayView(stored, kMacSize)) {
        if (tornTail())
            return FrameOutcome::Cut;
        return damaged(QStringLiteral("не совпадает контрольная сумма записи"), start);
    }
    m_chain = computed;
    return FrameOutcome::Read;
}

// A server test's bytes: kept in one buffer, or checked in passing in bounded steps.
FrameOutcome Scanner::readTestBytes(FrameMac& mac, qint64 length, qint64 start)
{
    if (length < kTimeSize) {
        QByteArray rest;
        if (!readInto(rest, length))
            return unreadable();
        mac.add(rest);
        const FrameOutcome checked = checkMac(mac, start);
        return checked == FrameOutcome::Read ? damaged(QStringLiteral("недопустимая запись"), start)
                                             : checked;
    }
    char time[kTimeSize];
    if (!readExactly(time, kTimeSize))
        return unreadable();
    mac.add(QByteArrayView(time, kTimeSize));
    const qint64 size = length - kTimeSize;
    QByteArray kept;
    if (m_withBytes) {
        if (!readInto(kept, size))
            return unreadable();
        mac.add(kept);
    } else {
        QByteArray chunk;
        for (qint64 left = size; left > 0; left -= chunk.size()) {
            if (!readInto(chunk, std::min(kChunk, left)))
                return unreadable();
            mac.add(chunk);
        }
    }
    const FrameOutcome checked = checkMac(mac, start);
    if (checked != FrameOutcome::Read)
        return checked;
    try {
        ApplyTestBytes(qFromLittleEndian<qint64>(time), size, std::move(kept), m_result.Run);
    } catch (const FormatError&) {
        return damaged(QStringLiteral("недопустимая запись"), start);
    }
    return FrameOutcome::Read;
}

FrameOutcome Scanner::readFrame()
{
    const qint64 start = m_pos;
    if (m_size - start < kFrameHeaderSize) {
        // What is there of a header cannot be checked; it is a cut tail.
        return FrameOutcome::Cut;
    }
    char head[kFrameHeaderSize];
    if (!readExactly(head, kFrameHeaderSize))
        return unreadable();
    const std::optional<FrameHead> frame = ParseFrameHeader(head);
    if (!frame)
        return tornTail() ? FrameOutcome::Cut : damaged(QStringLiteral("повреждён заголовок записи"), start);
    const qint64 length = frame->PayloadLength;
    if (kFrameOverhead + length > m_size - start)
        return FrameOutcome::Cut;

    FrameMac mac(m_key, m_chain);
    mac.add(QByteArrayView(head, kFrameHeaderSize));
    if (frame->Type == evTestBytes)
        return readTestBytes(mac, length, start);

    QByteArray payload;
    if (!readInto(payload, length))
        return unreadable();
    mac.add(payload);
    const FrameOutcome checked = checkMac(mac, start);
    if (checked != FrameOutcome::Read)
        return checked;
    QBuffer buffer(&payload);
    buffer.open(QIODevice::ReadOnly);
    BinaryReader reader(buffer);
    try {
        ApplyEvent(frame->Type, reader, m_result.Run);
    } catch (const FormatError&) {
        return damaged(QStringLiteral("недопустимая запись"), start);
    }
    return FrameOutcome::Read;
}

JournalReadResult Scanner::run()
{
    m_size = m_device.size();
    if (!m_device.seek(0))
        unreadable();
    else if (FrameOutcome header = readHeader(); header == FrameOutcome::Cut)
        m_result.TailCut = m_size > 0;
    else if (header == FrameOutcome::Read) {
        qint64 valid = m_pos;
        FrameOutcome outcome = FrameOutcome::Read;
        while (m_pos < m_size && (outcome = readFrame()) == FrameOutcome::Read)
            valid = m_pos;
        m_result.TailCut = outcome == FrameOutcome::Cut;
        m_result.Run.Tail.ValidLength = valid;
        m_result.Run.Tail.LastMac = m_chain;
    }
    if (m_result.Status == JournalStatus::Empty && !m_result.Run.RunGUID.isEmpty())
        m_result.Status = JournalStatus::Ok;
    if (m_result.Status != JournalStatus::Ok)
        m_result.Run = JournalRun();
    return m_result;
}

} // namespace

JournalReadResult ReadJournal(QIODevice& device, const JournalReadOptions& options)
{
    return Scanner(device, options).run();
}

JournalReadResult ReadJournalFile(const QString& path, const JournalReadOptions& options)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        JournalReadResult result;
        result.Status = JournalStatus::Unreadable;
        result.Problem = QStringLiteral("журнал не читается: %1").arg(file.errorString());
        return result;
    }
    JournalReadResult result = ReadJournal(file, options);
    result.Run.Tail.Path = path;
    return result;
}

} // namespace kvizor
