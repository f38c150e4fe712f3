#include "Crc32.h"

#include <QFile>

#include <zlib.h>

#include <vector>

namespace kvizor {

std::uint32_t UpdateCRC32(std::uint32_t crc, const char* data, std::int64_t count)
{
    if (count <= 0)
        return crc;
    return static_cast<std::uint32_t>(
        crc32_z(crc, reinterpret_cast<const Bytef*>(data), static_cast<z_size_t>(count)));
}

std::uint32_t BufferCRC32(const char* data, std::int64_t count)
{
    return UpdateCRC32(0, data, count);
}

std::uint32_t FileCRC32(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    constexpr qint64 kBlock = 65521;
    std::vector<char> block(kBlock);
    std::uint32_t crc = 0;
    for (;;) {
        const qint64 got = file.read(block.data(), kBlock);
        if (got <= 0)
            break;
        crc = UpdateCRC32(crc, block.data(), got);
    }
    return crc;
}

} // namespace kvizor
