#include "EmfRecords.h"

#include "DibCheck.h"
#include "LittleEndian.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace kvizor::metafile {
namespace {

constexpr qsizetype kHeaderBytes = 108; // up to and including szlMicrometers
constexpr qsizetype kRegionHeaderBytes = 32;

constexpr int kLastType = 122;

// The fixed size of each record kind passed on, in bytes; 0: never passed on (unused
// numbers, comments, OpenGL, escapes, colour management).
constexpr std::array<quint16, kLastType + 1> fixedSizes()
{
    std::array<quint16, kLastType + 1> sizes{};
    auto set = [&sizes](quint16 bytes, std::initializer_list<int> types) {
        for (const int type : types)
            sizes[std::size_t(type)] = bytes;
    };
    set(8, {28, 33, 52, 59, 60, 61, 65, 66, 68});
    set(12, {16, 17, 18, 19, 20, 21, 22, 24, 25, 34, 37, 40, 48, 57, 58, 67, 98, 100, 101, 115});
    set(16, {9, 10, 11, 12, 13, 26, 27, 49, 51, 54, 75, 120});
    set(20, {14, 15, 50});
    set(24, {29, 30, 31, 32, 39, 42, 43, 53, 62, 63, 64});
    set(28, {2, 3, 4, 5, 6, 38, 41, 56, 73, 74, 85, 86, 87, 88, 89, 92});
    set(32, {7, 8, 23, 35, 44, 71, 90, 91, 93, 94});
    set(36, {36, 108, 118});
    set(40, {45, 46, 47, 55, 72, 96, 97});
    set(52, {95});
    set(76, {80, 83, 84});
    set(80, {81});
    set(100, {76});
    set(104, {82});
    set(108, {77, 114, 116});
    set(128, {78});
    set(140, {79});
    return sizes;
}

constexpr std::array<quint16, kLastType + 1> kFixedSizes = fixedSizes();

bool isRegion(quint32 type)
{
    return type >= 71 && type <= 75;
}

// What libemf2svg reads as the fixed structure: more than a valid record holds for fonts
// (LOGFONTPANOSE where a plain LOGFONTW is valid) and regions (an absent region reads as
// an empty region header).
qsizetype fullSize(quint32 type)
{
    if (type == 82)
        return 332;
    return kFixedSizes[type] + (isRegion(type) ? kRegionHeaderBytes : 0);
}

// `count` items of `unit` bytes from `offset` lie inside `size` bytes.
bool inside(qint64 size, qint64 offset, qint64 count, qint64 unit)
{
    return offset >= 0 && count >= 0 && offset <= size && count <= size && offset + count * unit <= size;
}

// Text records (ANSI and wide EXTTEXTOUT, POLYTEXTOUT, SMALLTEXTOUT): every string and
// spacing array lies inside its record.
bool textFits(quint32 type, QByteArrayView record)
{
    const qint64 size = record.size();
    auto emrText = [&](qint64 at, qint64 charSize) {
        if (at + 40 > size)
            return false;
        const qint64 chars = le32(record, at + 8);
        const qint64 offString = le32(record, at + 12);
        const qint64 offDx = le32(record, at + 36);
        return inside(size, offString, chars, charSize) && (offDx == 0 || inside(size, offDx, chars, 4));
    };
    switch (type) {
    case 83: // EXTTEXTOUTA
        return emrText(36, 1);
    case 84: // EXTTEXTOUTW
        return emrText(36, 2);
    case 96:   // POLYTEXTOUTA
    case 97: { // POLYTEXTOUTW
        const qint64 strings = le32(record, 36);
        if (strings > (size - 40) / 40)
            return false;
        for (qint64 i = 0; i < strings; ++i) {
            if (!emrText(40 + i * 40, type == 96 ? 1 : 2))
                return false;
        }
        return true;
    }
    default: { // SMALLTEXTOUT: fixed part, an optional rectangle, then the characters
        const quint32 options = le32(record, 20);
        const qint64 start = 36 + ((options & 0x100) ? 0 : 16);
        return inside(size, start, le32(record, 16), (options & 0x200) ? 1 : 2);
    }
    }
}

// Point lists: a count at 24 and the points after it; POLYDRAW adds a type byte each.
bool pointsFit(QByteArrayView record, qint64 pointBytes)
{
    return inside(record.size(), 28, le32(record, 24), pointBytes);
}

// POLYPOLYLINE, POLYPOLYGON: the counts of the polygons, then all their points, which the
// counts must not outnumber.
bool polyPolyFits(QByteArrayView record, qint64 pointBytes)
{
    const qint64 size = record.size();
    const qint64 polygons = le32(record, 24);
    const qint64 points = le32(record, 28);
    if (!inside(size, 32, polygons, 4) || !inside(size, 32 + polygons * 4, points, pointBytes))
        return false;
    qint64 total = 0;
    for (qint64 i = 0; i < polygons; ++i)
        total += le32(record, 32 + i * 4);
    return total <= points;
}

// A region: its size at `sizeAt`, the data at `dataAt`; the data's header names its
// rectangles, which must lie inside both the region and the record.
bool regionFits(QByteArrayView record, qsizetype sizeAt, qsizetype dataAt)
{
    const qint64 size = record.size();
    const qint64 regionBytes = le32(record, sizeAt);
    const qint64 headerBytes = le32(record, dataAt);
    const qint64 rectangles = le32(record, dataAt + 8);
    if (regionBytes == 0)
        return headerBytes == 0 && rectangles == 0;
    return headerBytes == kRegionHeaderBytes && inside(size, dataAt, regionBytes, 1) &&
           inside(regionBytes, kRegionHeaderBytes, rectangles, 16);
}

// A bitmap given by offBmi, cbBmi, offBits, cbBits from `at`: absent (all four zero) when
// allowed, else a safe bitmap whose header and pixels lie inside the record and whose
// pixels all name colours of its table.
bool bitmapFits(QByteArrayView record, qsizetype at, bool required)
{
    const qint64 size = record.size();
    const qint64 offInfo = le32(record, at);
    const qint64 infoBytes = le32(record, at + 4);
    const qint64 offBits = le32(record, at + 8);
    const qint64 bitsBytes = le32(record, at + 12);
    if (offInfo == 0 && infoBytes == 0 && offBits == 0 && bitsBytes == 0)
        return !required;
    if (!inside(size, offInfo, infoBytes, 1) || !inside(size, offBits, bitsBytes, 1))
        return false;
    const std::optional<DibParts> parts = ReadDibParts(record.sliced(offInfo, infoBytes));
    return parts && parts->info <= infoBytes && parts->pixels <= bitsBytes &&
           DibIndicesFit(*parts, record.sliced(offBits, bitsBytes));
}

// GRADIENTFILL: the vertices, then rectangles or triangles whose corners name vertices.
bool gradientFits(QByteArrayView record)
{
    const qint64 vertices = le32(record, 24);
    const qint64 shapes = le32(record, 28);
    const quint32 mode = le32(record, 32);
    if (mode > 2)
        return false;
    const qint64 corners = mode == 2 ? 3 : 2;
    if (!inside(record.size(), 36, vertices, 16) ||
        !inside(record.size(), 36 + vertices * 16, shapes, corners * 4))
        return false;
    const qint64 first = 36 + vertices * 16;
    for (qint64 i = 0; i < shapes * corners; ++i) {
        if (le32(record, first + i * 4) >= vertices)
            return false;
    }
    return true;
}

bool isOneOf(quint32 type, std::initializer_list<quint32> types)
{
    return std::find(types.begin(), types.end(), type) != types.end();
}

// Objects: made at an index of the table (0 is the metafile itself), used and deleted by
// an index of the table or of a stock object.
bool objectFits(quint32 type, QByteArrayView record, quint32 handles)
{
    auto index = [record] { return le32(record, 8); }; // the listed kinds all hold one
    if (isOneOf(type, {38, 39, 49, 82, 93, 94, 95}))   // pens, brushes, palettes, fonts
        return index() >= 1 && index() < handles;
    if (isOneOf(type, {37, 40, 48})) // SELECTOBJECT, DELETEOBJECT, SELECTPALETTE
        return (index() & 0x80000000u) != 0 || index() < handles;
    if (isOneOf(type, {50, 51, 100, 101})) // palette entries and colour spaces
        return index() < handles;
    return true;
}

bool partsFit(quint32 type, QByteArrayView record)
{
    switch (type) {
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
        return pointsFit(record, 8); // POLYBEZIER, POLYGON, POLYLINE, ...TO
    case 85:
    case 86:
    case 87:
    case 88:
    case 89:
        return pointsFit(record, 4); // the same with 16-bit points
    case 56:
        return pointsFit(record, 9); // POLYDRAW
    case 92:
        return pointsFit(record, 5); // POLYDRAW16
    case 7:
    case 8:
        return polyPolyFits(record, 8); // POLYPOLYLINE, POLYPOLYGON
    case 90:
    case 91:
        return polyPolyFits(record, 4); // the same with 16-bit points
    case 83:
    case 84:
    case 96:
    case 97:
    case 108:
        return textFits(type, record);
    case 71:
    case 72:
    case 73:
    case 74:
        return regionFits(record, 24, kFixedSizes[type]); // FILLRGN, FRAMERGN, INVERTRGN, PAINTRGN
    case 75:
        return regionFits(record, 8, 16); // EXTSELECTCLIPRGN
    case 76:
    case 77:
    case 114:
    case 116:
        return bitmapFits(record, 84, false); // BITBLT, STRETCHBLT, ALPHABLEND, TRANSPARENTBLT
    case 78:
        return bitmapFits(record, 84, false) && bitmapFits(record, 112, false); // MASKBLT
    case 79:
        return bitmapFits(record, 96, false) && bitmapFits(record, 124, false); // PLGBLT
    case 80:
    case 81:
        return bitmapFits(record, 48, true); // SETDIBITSTODEVICE, STRETCHDIBITS
    case 93:
    case 94:
        return bitmapFits(record, 16, true); // CREATEMONOBRUSH, CREATEDIBPATTERNBRUSHPT
    case 95:                                 // EXTCREATEPEN: a pattern bitmap and the dash lengths
        return bitmapFits(record, 12, false) && inside(record.size(), 52, le32(record, 48), 4);
    case 49: // CREATEPALETTE
        return inside(record.size(), 16, le16(record, 14), 4);
    case 50: // SETPALETTEENTRIES
        return inside(record.size(), 20, le32(record, 16), 4);
    case 14: { // EOF with a palette
        const qint64 colors = le32(record, 8);
        return colors == 0 || inside(record.size(), le32(record, 12), colors, 4);
    }
    case 118: // GRADIENTFILL
        return gradientFits(record);
    default:
        return true;
    }
}

} // namespace

QByteArray SafeEmfRecord(QByteArrayView record, quint32 handles)
{
    const quint32 type = le32(record, 0);
    if (type > quint32(kLastType) || kFixedSizes[type] == 0 || record.size() < kFixedSizes[type])
        return {};
    QByteArray copy = record.toByteArray();
    const qsizetype full = fullSize(type);
    if (copy.size() < full) {
        copy.append(full - copy.size(), '\0');
        qToLittleEndian<quint32>(quint32(copy.size()), copy.data() + 4);
    }
    if (!objectFits(type, copy, handles) || !partsFit(type, copy))
        return {};
    return copy;
}

QByteArray SafeEmfHeader(QByteArrayView header)
{
    QByteArray copy = header.first(std::min(header.size(), kHeaderBytes)).toByteArray();
    if (copy.size() < kHeaderBytes)
        copy.append(kHeaderBytes - copy.size(), '\0');
    auto i32 = [&copy](qsizetype at) { return qint64(qint32(le32(copy, at))); };
    // libemf2svg divides by the width and height of the bounds.
    if (i32(16) <= i32(8) || i32(20) <= i32(12))
        return {};
    char* data = copy.data();
    qToLittleEndian<quint32>(quint32(kHeaderBytes), data + 4);
    for (const qsizetype at : {60, 64, 88, 92, 96}) // description, pixel format, OpenGL
        qToLittleEndian<quint32>(0, data + at);
    // Files of before the micrometre field give the size in millimetres only.
    if (le32(copy, 100) == 0 && le32(copy, 104) == 0) {
        qToLittleEndian<quint32>(le32(copy, 80) * 1000, data + 100);
        qToLittleEndian<quint32>(le32(copy, 84) * 1000, data + 104);
    }
    return copy;
}

} // namespace kvizor::metafile
