#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <limits>

class QIODevice;

namespace kvizor {

// Little-endian reader of the file and wire formats. Every short read, negative length
// or length beyond what can follow throws FormatError; nothing is allocated from a
// count that was not checked against the data.
class BinaryReader
{
public:
    explicit BinaryReader(QIODevice& device);

    std::int32_t readInt32();
    std::uint32_t readUInt32();
    std::int64_t readInt64();
    std::uint8_t readByte();
    bool readFlag();
    double readDouble();
    // A date-time stored as days since 1899-12-30, local time.
    QDateTime readDateTime();
    // lstr: an int32 byte count, then that many bytes, no terminator.
    QByteArray readLstrBytes();
    QString readLstr();
    // Exactly count bytes; a sequential device is read in bounded steps so a large
    // count cannot allocate more than the data that really arrives.
    QByteArray readBytes(std::int64_t count);
    void skip(std::int64_t count);

    // Throws FormatError unless count items of at least itemSize bytes can still follow
    // (only decidable on a random-access device; sequential devices are checked as they go).
    void checkCount(std::int64_t count, std::int64_t itemSize) const;

    // Bounds the strings read from now on: one at most maxLength bytes, all of them together
    // at most maxTotal. A longer length throws FormatError before its bytes are read.
    void limitStrings(std::int64_t maxLength, std::int64_t maxTotal);

    QIODevice& device() { return m_device; }

private:
    void readExactly(char* data, std::int64_t count);

    QIODevice& m_device;
    std::int64_t m_maxString = std::numeric_limits<std::int64_t>::max();
    std::int64_t m_stringBudget = std::numeric_limits<std::int64_t>::max();
};

} // namespace kvizor
