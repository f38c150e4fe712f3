#include "BinaryReader.h"

#include "Cp1251.h"
#include "DateTime.h"
#include "FormatError.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace kvizor {
namespace {
constexpr std::int64_t kChunk = 64 * 1024;
}

BinaryReader::BinaryReader(QIODevice& device) : m_device(device) {}

void BinaryReader::readExactly(char* data, std::int64_t count)
{
    while (count > 0) {
        const qint64 got = m_device.read(data, count);
        if (got <= 0)
            throw FormatError("unexpected end of data");
        data += got;
        count -= got;
    }
}

std::int32_t BinaryReader::readInt32()
{
    char raw[4];
    readExactly(raw, 4);
    return qFromLittleEndian<qint32>(raw);
}

std::uint32_t BinaryReader::readUInt32()
{
    char raw[4];
    readExactly(raw, 4);
    return qFromLittleEndian<quint32>(raw);
}

std::int64_t BinaryReader::readInt64()
{
    char raw[8];
    readExactly(raw, 8);
    return qFromLittleEndian<qint64>(raw);
}

std::uint8_t BinaryReader::readByte()
{
    char raw = 0;
    readExactly(&raw, 1);
    return static_cast<std::uint8_t>(raw);
}

bool BinaryReader::readFlag()
{
    return readByte() != 0;
}

double BinaryReader::readDouble()
{
    char raw[8];
    readExactly(raw, 8);
    const quint64 bits = qFromLittleEndian<quint64>(raw);
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QDateTime BinaryReader::readDateTime()
{
    return daysToDateTime(readDouble());
}

void BinaryReader::checkCount(std::int64_t count, std::int64_t itemSize) const
{
    if (count < 0)
        throw FormatError("negative count");
    if (!m_device.isSequential() && count * itemSize > m_device.bytesAvailable())
        throw FormatError("count beyond the data");
}

QByteArray BinaryReader::readBytes(std::int64_t count)
{
    checkCount(count, 1);
    QByteArray bytes;
    if (!m_device.isSequential()) {
        bytes.resize(count);
        readExactly(bytes.data(), count);
        return bytes;
    }
    while (bytes.size() < count) {
        const std::int64_t step = std::min<std::int64_t>(kChunk, count - bytes.size());
        const qsizetype at = bytes.size();
        bytes.resize(at + step);
        readExactly(bytes.data() + at, step);
    }
    return bytes;
}

void BinaryReader::skip(std::int64_t count)
{
    checkCount(count, 1);
    char buffer[4096];
    while (count > 0) {
        const std::int64_t step = std::min<std::int64_t>(sizeof buffer, count);
        readExactly(buffer, step);
        count -= step;
    }
}

void BinaryReader::limitStrings(std::int64_t maxLength, std::int64_t maxTotal)
{
    m_maxString = maxLength;
    m_stringBudget = maxTotal;
}

QByteArray BinaryReader::readLstrBytes()
{
    const std::int32_t length = readInt32();
    if (length < 0)
        throw FormatError("negative string length");
    if (length > m_maxString || length > m_stringBudget)
        throw FormatError("string longer than allowed");
    m_stringBudget -= length;
    return readBytes(length);
}

QString BinaryReader::readLstr()
{
    return cp1251::decode(readLstrBytes());
}

} // namespace kvizor
