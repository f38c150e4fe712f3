#include "Scrambler.h"

#include "TestFormat.h"

#include <QBuffer>
#include <QFile>

namespace kvizor {
namespace {

// next[i] is the low byte of the state after feedback sum i; the sum p + s needs no masking
// because entries 256..511 repeat 0..255.
std::array<std::uint8_t, 512> nextStateTable(const TScrambleKey& key)
{
    std::array<std::uint8_t, 512> table{};
    for (std::uint32_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::uint8_t>(((i & 0xFF) * key.Multiplier + key.Addend) & 0xFF);
    return table;
}

} // namespace

const TScrambleKey TestFileKey = DeriveScrambleKey(format::KeySeed, format::KeyModulus);

TDescrambler::TDescrambler(const TScrambleKey& key)
    : m_next(nextStateTable(key)), m_state(key.InitialState & 0xFFu)
{
}

void TDescrambler::process(const char* source, char* destination, std::int64_t count)
{
    const auto* in = reinterpret_cast<const std::uint8_t*>(source);
    auto* out = reinterpret_cast<std::uint8_t*>(destination);
    const std::uint8_t* next = m_next.data();
    std::uint32_t s = m_state;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint32_t p = in[i] ^ s;
        out[i] = static_cast<std::uint8_t>(p);
        s = next[p + s];
    }
    m_state = s;
}

TScrambler::TScrambler(const TScrambleKey& key)
    : m_next(nextStateTable(key)), m_state(key.InitialState & 0xFFu)
{
}

void TScrambler::process(const char* source, char* destination, std::int64_t count)
{
    const auto* in = reinterpret_cast<const std::uint8_t*>(source);
    auto* out = reinterpret_cast<std::uint8_t*>(destination);
    const std::uint8_t* next = m_next.data();
    std::uint32_t s = m_state;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint32_t p = in[i];
        out[i] = static_cast<std::uint8_t>(p ^ s);
        s = next[p + s];
    }
    m_state = s;
}

bool DescrambleBuffer(const char* source, std::int32_t sourceCount, char* destination,
                      const TScrambleKey& key, std::int32_t destinationCount)
{
    if (sourceCount != destinationCount)
        return false;
    TDescrambler(key).process(source, destination, sourceCount);
    return true;
}

bool DescrambleStream(QBuffer& source, QBuffer& destination, const TScrambleKey& key)
{
    const QByteArray& in = source.data();
    const qint64 from = std::min<qint64>(source.pos(), in.size());
    const qint64 count = in.size() - from;
    QByteArray& out = destination.buffer();
    out.resize(count);
    TDescrambler(key).process(in.constData() + from, out.data(), count);
    return true;
}

bool DescrambleFile(const QString& fileName, QBuffer& destination, const TScrambleKey& key)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw FileReadError(file.errorString().toStdString());
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileReadError(file.errorString().toStdString());
    QByteArray& out = destination.buffer();
    out.resize(content.size());
    if (content.size() > std::numeric_limits<std::int32_t>::max()) {
        TDescrambler(key).process(content.constData(), out.data(), content.size());
        return true;
    }
    const auto count = static_cast<std::int32_t>(content.size());
    return DescrambleBuffer(content.constData(), count, out.data(), key, count);
}

} // namespace kvizor
