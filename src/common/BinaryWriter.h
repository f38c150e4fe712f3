#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <cstdint>

class QIODevice;

namespace kvizor {

// Little-endian writer, the mirror of BinaryReader. A device that takes fewer bytes
// than given throws WriteError.
class BinaryWriter
{
public:
    explicit BinaryWriter(QIODevice& device);

    void writeInt32(std::int32_t value);
    void writeUInt32(std::uint32_t value);
    void writeInt64(std::int64_t value);
    void writeByte(std::uint8_t value);
    void writeFlag(bool value);
    void writeDouble(double value);
    void writeDateTime(const QDateTime& value);
    // lstr: int32 byte count, then the bytes.
    void writeLstrBytes(QByteArrayView bytes);
    void writeLstr(const QString& text);
    void writeBytes(QByteArrayView bytes);

    QIODevice& device() { return m_device; }

private:
    QIODevice& m_device;
};

} // namespace kvizor
