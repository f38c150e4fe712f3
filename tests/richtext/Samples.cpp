#include "Samples.h"

#include <QBuffer>
#include <QPainter>
#include <QtEndian>

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

QByteArray emfVector(QColor fill)
{
    Bytes r;
    auto record = [&r](quint32 type, const QList<quint32>& params) {
        r.u32(type).u32(quint32(8 + params.size() * 4));
        for (quint32 p : params)
            r.u32(p);
    };
    record(17, {1});                       // SETMAPMODE MM_TEXT
    record(39, {1, 0, colorRef(fill), 0}); // CREATEBRUSHINDIRECT
    record(37, {1});                       // SELECTOBJECT
    record(43, {0, 0, 100, 50});           // RECTANGLE
    record(37, {0x80000004});              // SELECTOBJECT stock black brush
    record(42, {10, 10, 60, 40});          // ELLIPSE
    record(40, {1});                       // DELETEOBJECT
    record(14, {0, 16, 20});               // EOF
    Bytes h;
    const quint32 total = quint32(88 + r.data().size());
    h.u32(1).u32(88);
    h.u32(0).u32(0).u32(100).u32(50);    // bounds in device pixels
    h.u32(0).u32(0).u32(2646).u32(1323); // frame in 0.01 mm at 96 dpi
    h.u32(0x464D4520u).u32(0x10000).u32(total).u32(9);
    h.u16(2).u16(0).u32(0).u32(0).u32(0);
    h.u32(1024).u32(768).u32(271).u32(203);
    return h.data() + r.data();
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
