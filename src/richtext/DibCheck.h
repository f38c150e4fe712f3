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
};

// The byte counts the header claims, when it is one a converter can read safely: a known
// header, sane dimensions and depth, uncompressed or bit-field pixels. Compressed (RLE,
// JPEG, PNG) bitmaps are refused.
std::optional<DibParts> ReadDibParts(QByteArrayView info);

// A bitmap whose header, colours and pixels follow one another inside `dib`.
bool DibSafe(QByteArrayView dib);

} // namespace kvizor::metafile
