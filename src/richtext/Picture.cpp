#include "Picture.h"

#include "Metafile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <mutex>

namespace kvizor {
namespace {

void fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
}

QByteArray qtFormatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Bmp:
    case PictureFormat::Dib:
        return "bmp";
    case PictureFormat::Ico:
        return "ico";
    case PictureFormat::Gif:
        return "gif";
    case PictureFormat::Png:
        return "png";
    case PictureFormat::Jpeg:
        return "jpeg";
    default:
        return {};
    }
}

QImage readRaster(QByteArrayView data, const QByteArray& format, bool fromContent, QString* error)
{
    static std::once_flag limitSet;
    std::call_once(limitSet, [] { QImageReader::setAllocationLimit(256); });
    QByteArray bytes = QByteArray::fromRawData(data.data(), data.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, fromContent ? QByteArray() : format);
    reader.setDecideFormatFromContent(fromContent);
    const QSize size = reader.size();
    if (size.width() > PictureLimits::kMaxSide || size.height() > PictureLimits::kMaxSide) {
        fail(error, QStringLiteral("picture too large"));
        return {};
    }
    QImage image = reader.read();
    if (image.isNull())
        fail(error, reader.errorString());
    return image;
}

} // namespace

PictureFormat PictureFormatFromFileName(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("bmp") || suffix == QLatin1String("dib"))
        return PictureFormat::Bmp;
    if (suffix == QLatin1String("ico"))
        return PictureFormat::Ico;
    if (suffix == QLatin1String("gif"))
        return PictureFormat::Gif;
    if (suffix == QLatin1String("png"))
        return PictureFormat::Png;
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg") || suffix == QLatin1String("jpe") ||
        suffix == QLatin1String("jfif"))
        return PictureFormat::Jpeg;
    if (suffix == QLatin1String("wmf"))
        return PictureFormat::Wmf;
    if (suffix == QLatin1String("emf"))
        return PictureFormat::Emf;
    return PictureFormat::Unknown;
}

PictureFormat PictureFormatFromContent(QByteArrayView d)
{
    if (d.startsWith("BM"))
        return PictureFormat::Bmp;
    if (d.startsWith("\x89PNG"))
        return PictureFormat::Png;
    if (d.startsWith("\xFF\xD8\xFF"))
        return PictureFormat::Jpeg;
    if (d.startsWith("GIF8"))
        return PictureFormat::Gif;
    if (d.size() >= 4 && qFromLittleEndian<quint32>(d.data()) == 0x9AC6CDD7u)
        return PictureFormat::Wmf;
    if (d.size() >= 44 && qFromLittleEndian<quint32>(d.data()) == 1 &&
        qFromLittleEndian<quint32>(d.data() + 40) == 0x464D4520u)
        return PictureFormat::Emf;
    if (d.size() >= 6 && (d[0] == 1 || d[0] == 2) && d[1] == 0 && d[2] == 9 && d[3] == 0)
        return PictureFormat::Wmf;
    if (d.size() >= 4 && d[0] == 0 && d[1] == 0 && d[2] == 1 && d[3] == 0)
        return PictureFormat::Ico;
    if (d.size() >= 4 &&
        (qFromLittleEndian<quint32>(d.data()) == 40 || qFromLittleEndian<quint32>(d.data()) == 12 ||
         qFromLittleEndian<quint32>(d.data()) == 108 || qFromLittleEndian<quint32>(d.data()) == 124))
        return PictureFormat::Dib;
    return PictureFormat::Unknown;
}

QByteArray DibToBmp(QByteArrayView dib)
{
    if (dib.size() < 12)
        return {};
    const quint32 headerSize = qFromLittleEndian<quint32>(dib.data());
    quint32 paletteBytes = 0;
    if (headerSize == 12) {
        const quint16 bits = qFromLittleEndian<quint16>(dib.data() + 10);
        paletteBytes = bits <= 8 ? (1u << bits) * 3 : 0;
    } else if (headerSize >= 40 && headerSize <= 1024 && dib.size() >= 40) {
        const quint16 bits = qFromLittleEndian<quint16>(dib.data() + 14);
        const quint32 compression = qFromLittleEndian<quint32>(dib.data() + 16);
        quint32 colors = qFromLittleEndian<quint32>(dib.data() + 32);
        if (colors == 0 && bits <= 8)
            colors = 1u << bits;
        if (colors > 65536)
            return {};
        paletteBytes = colors * 4;
        if (headerSize == 40 && (compression == 3 || compression == 6))
            paletteBytes += compression == 3 ? 12 : 16;
    } else {
        return {};
    }
    const quint64 offset = 14ull + headerSize + paletteBytes;
    if (offset > quint64(dib.size()) + 14)
        return {};
    QByteArray bmp(14, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<quint32>(quint32(14 + dib.size()), bmp.data() + 2);
    qToLittleEndian<quint32>(quint32(offset), bmp.data() + 10);
    bmp.append(dib.data(), dib.size());
    return bmp;
}

QImage DecodePicture(QByteArrayView data, PictureFormat format, QSize renderSize, QString* error)
{
    if (data.isEmpty()) {
        fail(error, QStringLiteral("empty picture"));
        return {};
    }
    if (data.size() > PictureLimits::kMaxFileBytes) {
        fail(error, QStringLiteral("picture too large"));
        return {};
    }
    if (format == PictureFormat::Unknown)
        format = PictureFormatFromContent(data);
    switch (format) {
    case PictureFormat::Wmf:
        return metafile::RenderWmf(data, renderSize, error);
    case PictureFormat::Emf:
        return metafile::RenderEmf(data, renderSize, error);
    case PictureFormat::Dib: {
        const QByteArray bmp = DibToBmp(data);
        if (bmp.isEmpty()) {
            fail(error, QStringLiteral("impossible bitmap header"));
            return {};
        }
        return readRaster(bmp, "bmp", false, error);
    }
    case PictureFormat::Unknown:
        return readRaster(data, {}, true, error);
    default: {
        QImage image = readRaster(data, qtFormatName(format), false, error);
        if (image.isNull()) {
            // A file whose extension does not match its content still shows.
            const PictureFormat actual = PictureFormatFromContent(data);
            if (actual != format && actual != PictureFormat::Unknown && actual != PictureFormat::Dib)
                return DecodePicture(data, actual, renderSize, error);
        }
        return image;
    }
    }
}

QByteArray ReadPictureFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, file.errorString());
        return {};
    }
    if (file.size() > PictureLimits::kMaxFileBytes) {
        fail(error, QStringLiteral("picture too large"));
        return {};
    }
    const QByteArray data = file.readAll();
    if (data.isEmpty())
        fail(error, QStringLiteral("empty picture"));
    return data;
}

PictureFormat MetafileFormatOf(QByteArrayView data, const QString& fileName)
{
    const PictureFormat byName = PictureFormatFromFileName(fileName);
    if (byName == PictureFormat::Wmf || byName == PictureFormat::Emf)
        return byName;
    const PictureFormat byContent = PictureFormatFromContent(data);
    return byContent == PictureFormat::Wmf || byContent == PictureFormat::Emf ? byContent
                                                                              : PictureFormat::Unknown;
}

QImage LoadPictureFile(const QString& path, QString* error)
{
    const QByteArray data = ReadPictureFile(path, error);
    if (data.isEmpty())
        return {};
    return DecodePicture(data, PictureFormatFromFileName(path), {}, error);
}

} // namespace kvizor
