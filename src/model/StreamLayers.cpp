#include "StreamLayers.h"

#include "Crc32.h"
#include "TestFormat.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace kvizor {

CrcReadDevice::CrcReadDevice(QIODevice& source, QObject* parent) : QIODevice(parent), m_source(source)
{
    open(QIODevice::ReadOnly);
}

qint64 CrcReadDevice::readData(char* data, qint64 maxSize)
{
    const qint64 got = m_source.read(data, maxSize);
    if (got < 0) {
        setErrorString(m_source.errorString());
        return -1;
    }
    m_crc = UpdateCRC32(m_crc, data, got);
    m_passed += got;
    return got;
}

bool CrcReadDevice::drain()
{
    std::vector<char> buffer(format::kStreamChunk);
    for (;;) {
        const qint64 got = read(buffer.data(), format::kStreamChunk);
        if (got < 0)
            return false;
        if (got == 0)
            return true;
    }
}

DescrambleDevice::DescrambleDevice(QIODevice& source, const TScrambleKey& key, QObject* parent)
    : QIODevice(parent), m_source(source), m_descrambler(key)
{
    open(QIODevice::ReadOnly);
}

qint64 DescrambleDevice::readData(char* data, qint64 maxSize)
{
    const qint64 got = m_source.read(data, maxSize);
    if (got < 0) {
        setErrorString(m_source.errorString());
        return -1;
    }
    m_descrambler.process(data, data, got);
    return got;
}

struct InflateDevice::ZState
{
    z_stream stream{};
};

InflateDevice::InflateDevice(QIODevice& source, QObject* parent)
    : QIODevice(parent), m_source(source), m_z(std::make_unique<ZState>()),
      m_input(static_cast<std::size_t>(format::kStreamChunk))
{
    if (inflateInit(&m_z->stream) != Z_OK)
        fail(QStringLiteral("zlib initialisation failed"));
    open(QIODevice::ReadOnly);
}

InflateDevice::~InflateDevice()
{
    inflateEnd(&m_z->stream);
}

qint64 InflateDevice::fail(const QString& reason)
{
    m_failed = true;
    setErrorString(reason);
    return -1;
}

qint64 InflateDevice::readData(char* data, qint64 maxSize)
{
    if (m_failed)
        return -1;
    if (m_finished || maxSize <= 0)
        return 0;
    z_stream& z = m_z->stream;
    z.next_out = reinterpret_cast<Bytef*>(data);
    z.avail_out = static_cast<uInt>(std::min<qint64>(maxSize, std::numeric_limits<uInt>::max()));
    const uInt wanted = z.avail_out;
    while (z.avail_out > 0) {
        if (z.avail_in == 0 && !m_sourceEnded) {
            const qint64 got = m_source.read(m_input.data(), static_cast<qint64>(m_input.size()));
            if (got < 0)
                return fail(m_source.errorString());
            if (got == 0)
                m_sourceEnded = true;
            z.next_in = reinterpret_cast<Bytef*>(m_input.data());
            z.avail_in = static_cast<uInt>(got);
        }
        const int status = inflate(&z, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            m_finished = true;
            break;
        }
        if (status == Z_BUF_ERROR && z.avail_in == 0 && !m_sourceEnded)
            continue;
        if (status == Z_BUF_ERROR && z.avail_in == 0)
            return fail(QStringLiteral("compressed data ends early"));
        if (status != Z_OK)
            return fail(QStringLiteral("damaged compressed data"));
    }
    return static_cast<qint64>(wanted - z.avail_out);
}

} // namespace kvizor
