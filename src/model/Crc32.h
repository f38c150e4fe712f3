#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace kvizor {

// The CRC-32 of zlib, PKZIP and IEEE 802.3.
std::uint32_t BufferCRC32(const char* data, std::int64_t count);
inline std::uint32_t BufferCRC32(QByteArrayView bytes)
{
    return BufferCRC32(bytes.data(), bytes.size());
}
// Continues a running CRC over more bytes (start with 0).
std::uint32_t UpdateCRC32(std::uint32_t crc, const char* data, std::int64_t count);
// 0 when the file cannot be opened.
std::uint32_t FileCRC32(const QString& fileName);

} // namespace kvizor
