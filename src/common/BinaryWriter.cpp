#include "BinaryWriter.h"

#include "Cp1251.h"
#include "DateTime.h"
#include "FormatError.h"

#include <QIODevice>
#include <QtEndian>

#include <cstring>
#include <limits>

namespace kvizor {

BinaryWriter::BinaryWriter(QIODevice& device) : m_device(device) {}

void BinaryWriter::writeBytes(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_device.write(bytes.data(), bytes.size()) != bytes.size())
        throw WriteError(m_device.errorString().toStdString());
}

void BinaryWriter::writeInt32(std::int32_t value)
{
    char raw[4];
    qToLittleEndian<qint32>(value, raw);
    writeBytes(QByteArrayView(raw, 4));
}

void BinaryWriter::writeUInt32(std::uint32_t value)
{
    char raw[4];
    qToLittleEndian<quint32>(value, raw);
    writeBytes(QByteArrayView(raw, 4));
}

void BinaryWriter::writeInt64(std::int64_t value)
{
    char raw[8];
    qToLittleEndian<qint64>(value, raw);
    writeBytes(QByteArrayView(raw, 8));
}

void BinaryWriter::writeByte(std::uint8_t value)
{
    const char raw = static_cast<char>(value);
    writeBytes(QByteArrayView(&raw, 1));
}

void BinaryWriter::writeFlag(bool value)
{
    writeByte(value ? 1 : 0);
}

void BinaryWriter::writeDouble(double value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    char raw[8];
    qToLittleEndian<quint64>(bits, raw);
    writeBytes(QByteArrayView(raw, 8));
}

void BinaryWriter::writeDateTime(const QDateTime& value)
{
    writeDouble(dateTimeToDays(value));
}

void BinaryWriter::writeLstrBytes(QByteArrayView bytes)
{
    if (bytes.size() > std::numeric_limits<std::int32_t>::max())
        throw WriteError("string too long");
    writeInt32(static_cast<std::int32_t>(bytes.size()));
    writeBytes(bytes);
}

void BinaryWriter::writeLstr(const QString& text)
{
    writeLstrBytes(cp1251::encode(text));
}

} // namespace kvizor
