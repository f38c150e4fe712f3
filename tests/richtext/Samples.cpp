#include "Samples.h"

#include <QBuffer>
#include <QPainter>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace samples {
namespace {

QByteArray save(const QImage& image, const char* format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

class Bytes
{
public:
    Bytes& u16(int v)
    {
        char b[2];
        qToLittleEndian<quint16>(quint16(v), b);
        m_data.append(b, 2);
        return *this;
    }
    Bytes& u32(quint32 v)
    {
        char b[4];
        qToLittleEndian<quint32>(v, b);
        m_data.append(b, 4);
        return *this;
    }
    Bytes& raw(const char* b)
    {
        m_data.append(b);
        return *this;
    }
    Bytes& raw(const QByteArray& b)
    {
        m_data.append(b);
        return *this;
    }
    QByteArray& data() { return m_data; }

private:
    QByteArray m_data;
};

quint32 colorRef(QColor c)
{
    return quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16;
}

// One WMF record: size in words, function, parameters.
void wmfRecord(Bytes& out, int function, const QList<int>& words, const QByteArray& tail = {})
{
    out.u32(quint32(3 + words.size() + tail.size() / 2)).u16(function);
    for (int w : words)
        out.u16(w);
    out.raw(tail);
}

QByteArray wmfFile(const QByteArray& records, int maxRecord, int objects)
{
    Bytes out;
    out.u16(1)
        .u16(9)
        .u16(0x0300)
        .u32(quint32((18 + records.size()) / 2))
        .u16(objects)
        .u32(quint32(maxRecord))
        .u16(0);
    out.raw(records);
    return out.data();
}

} // namespace

QImage testImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height, Qt::red);
    return image;
}

QByteArray png(const QImage& image)
{
    return save(image, "PNG");
}

QByteArray jpeg(const QImage& image)
{
    return save(image, "JPEG");
}

QByteArray bmp(const QImage& image)
{
    const bool keep = image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
                      image.format() == QImage::Format_ARGB32;
    return save(keep ? image : image.convertToFormat(QImage::Format_RGB888), "BMP");
}

QByteArray dib(const QImage& image)
{
    return bmp(image).mid(14);
}

QByteArray gif(const QImage& image)
{
    // Qt reads GIF but does not write it: a four-colour GIF whose LZW stream restarts
    // every two pixels, so every code stays three bits wide.
    QList<QRgb> palette;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y) | 0xFF000000u;
            if (!palette.contains(c) && palette.size() < 4)
                palette.append(c);
        }
    }
    while (palette.size() < 4)
        palette.append(0xFF000000u);
    Bytes out;
    out.raw("GIF89a").u16(image.width()).u16(image.height());
    out.raw(QByteArray("\x81\0\0", 3));
    for (const QRgb c : palette) {
        const char rgb[3] = {char(qRed(c)), char(qGreen(c)), char(qBlue(c))};
        out.raw(QByteArray(rgb, 3));
    }
    out.raw(QByteArray(1, ',')).u16(0).u16(0).u16(image.width()).u16(image.height()).raw(QByteArray(1, '\0'));
    out.raw(QByteArray(1, '\2'));
    QByteArray stream;
    quint32 bits = 0;
    int count = 0;
    auto code = [&](int c) {
        bits |= quint32(c) << count;
        count += 3;
        while (count >= 8) {
            stream.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (n++ % 2 == 0)
                code(4);
            code(int(palette.indexOf(image.pixel(x, y) | 0xFF000000u)));
        }
    }
    code(5);
    if (count > 0)
        stream.append(char(bits & 0xFF));
    for (qsizetype i = 0; i < stream.size(); i += 255) {
        const QByteArray block = stream.mid(i, 255);
        out.raw(QByteArray(1, char(block.size()))).raw(block);
    }
    out.raw(QByteArray(1, '\0')).raw(QByteArray(1, ';'));
    return out.data();
}

QByteArray ico(const QImage& image)
{
    return save(image, "ICO");
}

QByteArray wmfVector(QColor fill)
{
    Bytes r;
    wmfRecord(r, 0x0103, {8});       // SETMAPMODE anisotropic
    wmfRecord(r, 0x020B, {0, 0});    // SETWINDOWORG
    wmfRecord(r, 0x020C, {50, 100}); // SETWINDOWEXT height, width
    const quint32 color = colorRef(fill);
    wmfRecord(r, 0x02FC, {0, int(color & 0xFFFF), int(color >> 16), 0}); // CREATEBRUSHINDIRECT solid
    wmfRecord(r, 0x012D, {0});                                           // SELECTOBJECT
    wmfRecord(r, 0x041B, {50, 100, 0, 0});                               // RECTANGLE b, r, t, l
    wmfRecord(r, 0x0418, {40, 60, 10, 10});                              // ELLIPSE
    wmfRecord(r, 0x01F0, {0});                                           // DELETEOBJECT
    wmfRecord(r, 0x0000, {});                                            // EOF
    return wmfFile(r.data(), 7, 1);
}

QByteArray wmfText(const QByteArray& text)
{
    return wmfTextIn("Arial", text);
}

QByteArray wmfTextIn(const QByteArray& face, const QByteArray& text, int weight, bool italic, bool box)
{
    Bytes r;
    wmfRecord(r, 0x0103, {8});
    wmfRecord(r, 0x020B, {0, 0});
    wmfRecord(r, 0x020C, {50, 200});
    if (box) {
        const quint32 color = colorRef(QColor(0, 128, 0));
        wmfRecord(r, 0x02FC, {0, int(color & 0xFFFF), int(color >> 16), 0}); // CREATEBRUSHINDIRECT solid
        wmfRecord(r, 0x012D, {0});                                           // SELECTOBJECT
        wmfRecord(r, 0x041B, {50, 100, 0, 0});                               // RECTANGLE b, r, t, l
        wmfRecord(r, 0x01F0, {0});                                           // DELETEOBJECT
    }
    QByteArray font;
    {
        Bytes f;
        f.u16(-20).u16(0).u16(0).u16(0).u16(weight);
        // italic, underline, strike-out, charset 204, precisions, quality, pitch
        f.raw(QByteArray(italic ? "\x01" : "\0", 1) + QByteArray("\0\0\xCC\0\0\0\0", 7));
        f.raw(face.leftJustified(32, '\0', true));
        font = f.data();
    }
    wmfRecord(r, 0x02FB, {}, font); // CREATEFONTINDIRECT
    wmfRecord(r, 0x012D, {0});
    QByteArray padded = text;
    if (padded.size() % 2)
        padded.append('\0');
    Bytes t;
    t.u16(int(text.size())).raw(padded).u16(25).u16(5);
    wmfRecord(r, 0x0521, {}, t.data()); // TEXTOUT
    wmfRecord(r, 0x0000, {});
    return wmfFile(r.data(), int(std::max<qsizetype>(3 + font.size() / 2, 3 + t.data().size() / 2)), 1);
}

QByteArray wmfShapes(int bytes, int width, int height)
{
    Bytes r;
    wmfRecord(r, 0x0103, {8});
    wmfRecord(r, 0x020B, {0, 0});
    wmfRecord(r, 0x020C, {height, width});
    constexpr int Points = 24;
    quint32 seed = 12345;
    auto next = [&seed](int bound) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % quint32(bound));
    };
    while (r.data().size() < bytes) {
        const quint32 color = quint32(next(0x1000000));
        wmfRecord(r, 0x02FC, {0, int(color & 0xFFFF), int(color >> 16), 0}); // CREATEBRUSHINDIRECT
        wmfRecord(r, 0x012D, {0});                                           // SELECTOBJECT
        // Points around a centre in the order of their angles: a simple outline, as drawn shapes are.
        QList<int> polygon{Points};
        const int cx = next(width);
        const int cy = next(height);
        const int radius = 10 + next(50);
        for (int p = 0; p < Points; ++p) {
            const double angle = 6.283185307179586 * p / Points;
            const int reach = radius / 2 + next(radius / 2 + 1);
            polygon.append(std::clamp(cx + int(reach * std::cos(angle)), 0, width - 1));
            polygon.append(std::clamp(cy + int(reach * std::sin(angle)), 0, height - 1));
        }
        wmfRecord(r, 0x0324, polygon); // POLYGON
        wmfRecord(r, 0x01F0, {0});     // DELETEOBJECT
    }
    wmfRecord(r, 0x0000, {});
    return wmfFile(r.data(), 3 + 1 + 2 * Points, 1);
}

QByteArray wmfBitmap(const QImage& image)
{
    const QByteArray bits = dib(image);
    Bytes r;
    wmfRecord(r, 0x0103, {8});
    wmfRecord(r, 0x020B, {0, 0});
    wmfRecord(r, 0x020C, {image.height(), image.width()});
    QByteArray tail = bits;
    if (tail.size() % 2)
        tail.append('\0');
    const quint32 srcCopy = 0x00CC0020;
    wmfRecord(r, 0x0F43,
              {int(srcCopy & 0xFFFF), int(srcCopy >> 16), 0, image.height(), image.width(), 0, 0,
               image.height(), image.width(), 0, 0},
              tail);
    wmfRecord(r, 0x0000, {});
    return wmfFile(r.data(), int(3 + 11 + tail.size() / 2), 0);
}

QByteArray placeable(const QByteArray& wmf, int width, int height)
{
    Bytes h;
    h.u32(0x9AC6CDD7u).u16(0).u16(0).u16(0).u16(width).u16(height).u16(96).u32(0);
    quint16 sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= qFromLittleEndian<quint16>(h.data().constData() + i);
    h.u16(sum);
    return h.data() + wmf;
}

QByteArray emfRecord(quint32 type, const QList<quint32>& params, const QByteArray& tail)
{
    Bytes r;
    r.u32(type).u32(quint32(8 + params.size() * 4 + tail.size()));
    for (const quint32 p : params)
        r.u32(p);
    r.raw(tail);
    return r.data();
}

QByteArray emfOf(const QList<QByteArray>& records, int handles)
{
    QByteArray body;
    for (const QByteArray& record : records)
        body += record;
    body += emfRecord(14, {0, 16, 20}); // EOF
    Bytes h;
    h.u32(1).u32(88);
    h.u32(0).u32(0).u32(100).u32(50);    // bounds in device pixels
    h.u32(0).u32(0).u32(2646).u32(1323); // frame in 0.01 mm at 96 dpi
    h.u32(0x464D4520u).u32(0x10000).u32(quint32(88 + body.size())).u32(quint32(records.size() + 2));
    h.u16(handles).u16(0).u32(0).u32(0).u32(0);
    h.u32(1024).u32(768).u32(271).u32(203);
    return h.data() + body;
}

QByteArray emfText(const QString& text)
{
    QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    if (utf16.size() % 4)
        utf16.append(2, '\0');
    Bytes advances;
    for (qsizetype i = 0; i < text.size(); ++i)
        advances.u32(12);
    const quint32 chars = quint32(text.size());
    return emfOf({emfRecord(84,                           // EMR_EXTTEXTOUTW
                            {0, 0, 100, 50,               // bounds
                             1, 0, 0,                     // graphics mode, scales
                             5, 30,                       // reference point
                             chars, 76, 0,                // characters, string offset, options
                             0, 0, 100, 50,               // clip rectangle
                             76 + quint32(utf16.size())}, // offset of the advances
                            utf16 + advances.data())});
}

QByteArray emfVector(QColor fill)
{
    return emfOf({
        emfRecord(17, {1}),                       // SETMAPMODE MM_TEXT
        emfRecord(39, {1, 0, colorRef(fill), 0}), // CREATEBRUSHINDIRECT
        emfRecord(37, {1}),                       // SELECTOBJECT
        emfRecord(43, {0, 0, 100, 50}),           // RECTANGLE
        emfRecord(37, {0x80000004}),              // SELECTOBJECT stock black brush
        emfRecord(42, {10, 10, 60, 40}),          // ELLIPSE
        emfRecord(40, {1}),                       // DELETEOBJECT
    });
}

QByteArray emfBitmap(const QImage& image)
{
    QByteArray bits = dib(image);
    bits.append((4 - bits.size() % 4) % 4, '\0');
    const int depth = qFromLittleEndian<quint16>(bits.constData() + 14);
    quint32 colors = qFromLittleEndian<quint32>(bits.constData() + 32);
    if (colors == 0 && depth <= 8)
        colors = 1u << depth;
    const quint32 info = qFromLittleEndian<quint32>(bits.constData()) + colors * 4;
    const quint32 pixels = quint32(bits.size()) - info;
    const quint32 w = quint32(image.width());
    const quint32 h = quint32(image.height());
    return emfOf({emfRecord(81,                           // STRETCHDIBITS
                            {0, 0, w, h,                  // bounds
                             0, 0, 0, 0, w, h,            // destination point, source rectangle
                             80, info, 80 + info, pixels, // bitmap header and pixels
                             0, 0x00CC0020, w, h},        // colours, SRCCOPY, destination size
                            bits)});
}

QByteArray hexLines(const QByteArray& data, int width)
{
    const QByteArray hex = data.toHex();
    QByteArray out;
    for (qsizetype i = 0; i < hex.size(); i += width) {
        out += hex.mid(i, width);
        out += "\r\n";
    }
    return out;
}

} // namespace samples
