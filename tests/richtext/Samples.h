#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>

// Pictures and rich text made in code for the tests and the fuzz corpora.
namespace samples {

QImage testImage(int width, int height); // left half red, right half blue
QByteArray png(const QImage& image);
QByteArray jpeg(const QImage& image);
QByteArray bmp(const QImage& image);
QByteArray dib(const QImage& image); // bmp without its 14-byte file header
QByteArray gif(const QImage& image);
QByteArray ico(const QImage& image);

// A metafile drawing a filled rectangle and an ellipse (MM_ANISOTROPIC, 100 x 50 units).
QByteArray wmfVector(QColor fill = QColor(0, 128, 0));
// A metafile writing 8-bit text (Windows-1251 bytes) with a Cyrillic font.
QByteArray wmfText(const QByteArray& text);
// A drawing of about `bytes` bytes: coloured shapes scattered over width x height units.
QByteArray wmfShapes(int bytes, int width, int height);
// The same with a face of choice, over a green box in the left half when asked.
QByteArray wmfTextIn(const QByteArray& face, const QByteArray& text, int weight = 400, bool italic = false,
                     bool box = false);
// A metafile holding one bitmap through META_STRETCHDIB.
QByteArray wmfBitmap(const QImage& image);
// The same with the placeable header files on disk carry.
QByteArray placeable(const QByteArray& wmf, int width, int height);
// One EMF record: type, 32-bit parameters, the bytes after them.
QByteArray emfRecord(quint32 type, const QList<quint32>& params, const QByteArray& tail = {});
// An EMF of 100 x 50 pixels with a table of `handles` objects holding the records and an
// end-of-file record.
QByteArray emfOf(const QList<QByteArray>& records, int handles = 2);
QByteArray emfVector(QColor fill = QColor(0, 0, 255));
// An EMF writing text through EMR_EXTTEXTOUTW.
QByteArray emfText(const QString& text);
// An EMF holding one bitmap through EMR_STRETCHDIBITS.
QByteArray emfBitmap(const QImage& image);

// Hex as RTF writes it, split into lines of the given width.
QByteArray hexLines(const QByteArray& data, int width = 64);

} // namespace samples
