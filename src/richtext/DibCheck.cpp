#include "DibCheck.h"

#include "LittleEndian.h"
#include "Picture.h"

namespace kvizor::metafile {

std::optional<DibParts> ReadDibParts(QByteArrayView dib)
{
    if (dib.size() < 12)
        return std::nullopt;
    const quint32 headerSize = le32(dib, 0);
    qint64 width = 0;
    qint64 height = 0;
    int bits = 0;
    int planes = 0;
    quint32 compression = 0;
    quint32 colors = 0;
    if (headerSize == 12) {
        width = le16(dib, 4);
        height = le16(dib, 6);
        planes = le16(dib, 8);
        bits = le16(dib, 10);
    } else if (headerSize >= 40 && headerSize <= 124 && dib.size() >= 40) {
        width = qint32(le32(dib, 4));
        height = qint32(le32(dib, 8));
        planes = le16(dib, 12);
        bits = le16(dib, 14);
        compression = le32(dib, 16);
        colors = le32(dib, 32);
    } else {
        return std::nullopt;
    }
    height = height < 0 ? -height : height;
    if (planes != 1 || width < 1 || height < 1 || width > PictureLimits::kMaxSide ||
        height > PictureLimits::kMaxSide)
        return std::nullopt;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return std::nullopt;
    if (compression != 0 && !(compression == 3 && (bits == 16 || bits == 32)))
        return std::nullopt;
    if (bits <= 8 && colors == 0)
        colors = 1u << bits;
    if (colors > 256)
        return std::nullopt;
    const qint64 palette = qint64(colors) * (headerSize == 12 ? 3 : 4);
    const qint64 masks = headerSize == 40 && compression == 3 ? 12 : 0;
    const qint64 stride = (width * bits + 31) / 32 * 4;
    return DibParts{qint64(headerSize) + palette + masks, stride * height, width, height, bits, colors};
}

bool DibIndicesFit(const DibParts& parts, QByteArrayView pixels)
{
    if (parts.bits > 8 || parts.colors >= (qint64(1) << parts.bits))
        return true;
    const qint64 stride = parts.pixels / parts.height;
    const int perByte = 8 / parts.bits;
    const int mask = (1 << parts.bits) - 1;
    for (qint64 y = 0; y < parts.height; ++y) {
        const uchar* row = reinterpret_cast<const uchar*>(pixels.data() + y * stride);
        for (qint64 x = 0; x < parts.width; ++x) {
            const int shift = 8 - parts.bits * int(x % perByte + 1); // leftmost pixel in the high bits
            if (((row[x / perByte] >> shift) & mask) >= parts.colors)
                return false;
        }
    }
    return true;
}

bool DibSafe(QByteArrayView dib)
{
    const std::optional<DibParts> parts = ReadDibParts(dib);
    return parts && parts->info + parts->pixels <= dib.size() &&
           DibIndicesFit(*parts, dib.sliced(parts->info, parts->pixels));
}

} // namespace kvizor::metafile
