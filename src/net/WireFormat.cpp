#include "WireFormat.h"

#include "common/Cp1251.h"
#include "common/FormatError.h"

#include <algorithm>

namespace kvizor::wire {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

QByteArray encodeLineBytes(QByteArrayView bytes)
{
    QByteArray line;
    line.reserve(bytes.size() + 2);
    for (const char c : bytes) {
        if (c != '\r' && c != '\n')
            line.append(c);
    }
    line.append("\r\n", 2);
    return line;
}

QByteArray encodeLine(const QString& text)
{
    return encodeLineBytes(cp1251::encode(text));
}

QByteArray encodeBlock(QByteArrayView bytes)
{
    QByteArray out = encodeLineBytes(QByteArray::number(bytes.size()));
    out.append(bytes);
    return out;
}

std::int64_t parseBlockSize(QByteArrayView line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && isBlank(line[begin]))
        ++begin;
    while (end > begin && isBlank(line[end - 1]))
        --end;
    if (begin < end && (line[begin] == '+' || line[begin] == '-')) {
        if (line[begin] == '-')
            throw FormatError("negative block size");
        ++begin;
    }
    if (begin == end)
        throw FormatError("block size is not a number");
    std::int64_t size = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const char c = line[i];
        if (c < '0' || c > '9')
            throw FormatError("block size is not a number");
        size = size * 10 + (c - '0');
        if (size > MaxBlockSize)
            throw FormatError("block size over the limit");
    }
    return size;
}

std::optional<QByteArray> LineReader::feed(QByteArrayView& data)
{
    const qsizetype lf = data.indexOf('\n');
    if (lf < 0) {
        // Fail as soon as the line cannot end in time: a final CR may still be dropped.
        const qsizetype pending = m_pending.size() + data.size();
        if (pending > 0) {
            const char last = data.isEmpty() ? m_pending.back() : data.back();
            if (pending - (last == '\r' ? 1 : 0) > MaxLineLength)
                throw FormatError("received line too long");
        }
        m_pending.append(data);
        data = QByteArrayView();
        return std::nullopt;
    }
    QByteArray line = std::move(m_pending);
    m_pending = QByteArray();
    line.append(data.first(lf));
    data = data.sliced(lf + 1);
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() > MaxLineLength)
        throw FormatError("received line too long");
    return line;
}

BlockReader::BlockReader(std::int64_t size, BlockSink sink) : m_size(size), m_sink(std::move(sink))
{
    if (size < 0 || size > MaxBlockSize)
        throw FormatError("bad block size");
}

bool BlockReader::feed(QByteArrayView& data)
{
    const qsizetype take = static_cast<qsizetype>(std::min<std::int64_t>(m_size - m_received, data.size()));
    if (m_sink)
        m_sink(data.first(take));
    else
        m_bytes.append(data.first(take));
    m_received += take;
    data = data.sliced(take);
    return isComplete();
}

qsizetype GetTestReplyReader::feed(QByteArrayView data)
{
    const qsizetype total = data.size();
    while (!isFinished() && (!data.isEmpty() || m_state == State::Block)) {
        switch (m_state) {
        case State::ReplyLine:
            if (auto line = m_lines.feed(data)) {
                m_replyLine = std::move(*line);
                // Only this exact reply means a test follows; "yes" or "YES " refuse.
                m_state = m_replyLine == "YES" ? State::NameLine : State::Refused;
            }
            break;
        case State::NameLine:
            if (auto line = m_lines.feed(data)) {
                m_name = std::move(*line);
                m_state = State::SizeLine;
            }
            break;
        case State::SizeLine:
            if (auto line = m_lines.feed(data)) {
                m_blockSize = parseBlockSize(*line);
                m_blockReader.emplace(m_blockSize, m_sink);
                m_state = State::Block;
            }
            break;
        case State::Block:
            if (m_blockReader->feed(data)) {
                m_block = m_blockReader->takeBytes();
                m_blockReader.reset();
                m_state = State::Done;
            } else {
                return total - data.size();
            }
            break;
        case State::Refused:
        case State::Done:
            break;
        }
    }
    return total - data.size();
}

QString GetTestReplyReader::fileName() const
{
    return cp1251::decode(m_name);
}

} // namespace kvizor::wire
