#pragma once

#include <QByteArrayView>

#include <optional>

// Device-independent bitmaps inside metafile records, checked before a converter that
// trusts their numbers reads them.
namespace kvizor::metafile {

struct DibParts
{
    qint64 info = 0;   // header, colour table and bit-field masks
    qint64 pixels = 0; // the pixel rows
    qint64 width = 0;
    qint64 height = 0;
    int bits = 0;
    qint64 colors = 0; // entries of the colour table
};

// The byte counts the header claims, when it is one a converter can read safely: a known
// header, sane dimensions and depth, uncompressed or bit-field pixels. Compressed (RLE,
// JPEG, PNG) bitmaps are refused.
std::optional<DibParts> ReadDibParts(QByteArrayView info);

// Whether every pixel of a bitmap of up to 8 bits names an entry of its colour table, which
// converters index without a check; `pixels` holds at least `parts.pixels` bytes.
bool DibIndicesFit(const DibParts& parts, QByteArrayView pixels);

// A bitmap whose header, colours and pixels follow one another inside `dib`, every pixel
// naming a colour of its table.
bool DibSafe(QByteArrayView dib);

} // namespace kvizor::metafile
