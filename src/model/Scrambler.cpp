#include "Scrambler.h"

#include "TestFormat.h"

#include <QBuffer>
#include <QFile>

namespace kvizor {
namespace {

std::array<std::uint32_t, 256> baseTable(const TScrambleKey& key)
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t b = 0; b < table.size(); ++b)
        table[b] = b * key.Multiplier + key.Addend;
    return table;
}

} // namespace

const TScrambleKey TestFileKey = DeriveScrambleKey(format::KeySeed, format::KeyModulus);

TDescrambler::TDescrambler(const TScrambleKey& key)
    : m_base(baseTable(key)), m_factor(2u * key.Multiplier), m_state(key.InitialState)
{
}

// With p = b ^ s, the feedback sum p + s equals b + 2 * (s & ~b) modulo 256, so the next
// state is base[b] + 2 * Multiplier * (s & ~b): the dependency from one byte to the next is
// an and, a multiply and an add, with no table lookup on it.
void TDescrambler::process(const char* source, char* destination, std::int64_t count)
{
    const auto* in = reinterpret_cast<const std::uint8_t*>(source);
    auto* out = reinterpret_cast<std::uint8_t*>(destination);
    const std::uint32_t* base = m_base.data();
    const std::uint32_t factor = m_factor;
    std::uint32_t s = m_state;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint32_t b = in[i];
        out[i] = static_cast<std::uint8_t>(b ^ s);
        s = base[b] + factor * (s & ~b & 0xFFu);
    }
    m_state = s;
}

TScrambler::TScrambler(const TScrambleKey& key)
    : m_base(baseTable(key)), m_multiplier(key.Multiplier), m_state(key.InitialState)
{
}

void TScrambler::process(const char* source, char* destination, std::int64_t count)
{
    const auto* in = reinterpret_cast<const std::uint8_t*>(source);
    auto* out = reinterpret_cast<std::uint8_t*>(destination);
    const std::uint32_t* base = m_base.data();
    const std::uint32_t multiplier = m_multiplier;
    std::uint32_t s = m_state;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint32_t p = in[i];
        out[i] = static_cast<std::uint8_t>(p ^ s);
        // (p + s) * Multiplier + Addend, modulo 256.
        s = base[p] + multiplier * (s & 0xFFu);
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
