#include "Metafile.h"

#include "common/Cp1251.h"
#include "common/Module.h"
#include "DibCheck.h"
#include "EmfRecords.h"
#include "IsolatedCall.h"
#include "LittleEndian.h"
#include "MetafileCodecs.h"
#include "Picture.h"
#include "WmfFonts.h"

#include <QPainter>
#include <QStringDecoder>
#include <QSvgRenderer>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace kvizor::metafile {
namespace {

std::atomic<bool> g_isolated{true};

constexpr quint32 kPlaceableKey = 0x9AC6CDD7u;
constexpr quint32 kEmfSignature = 0x464D4520u; // " EMF"
// A drawn picture travels from the child as its width, height and premultiplied pixels.
constexpr qsizetype kMaxImageBytes =
    8 + qsizetype(PictureLimits::kMaxRenderSide) * PictureLimits::kMaxRenderSide * 4;
constexpr int kMaxRecords = 1 << 20;

void fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
}

// Records that carry a bitmap are kept only when the bitmap is safe to read.
bool wmfRecordSafe(QByteArrayView record, quint16 function)
{
    qsizetype dibAt = -1;
    switch (function) {
    case 0x0F43: // STRETCHDIB
        dibAt = 6 + 22;
        break;
    case 0x0B41: // DIBSTRETCHBLT
        if (record.size() <= 2 * (3 + 11))
            return true; // the form without a bitmap
        dibAt = 6 + 20;
        break;
    case 0x0940: // DIBBITBLT
        if (record.size() <= 2 * (3 + 9))
            return true;
        dibAt = 6 + 16;
        break;
    case 0x0D33: // SETDIBTODEV
        dibAt = 6 + 18;
        break;
    case 0x0142: // DIBCREATEPATTERNBRUSH
        dibAt = 6 + 4;
        break;
    case 0x01F9: // CREATEPATTERNBRUSH with an old device-dependent bitmap
        return false;
    case 0x0922: // BITBLT and STRETCHBLT with an old device-dependent bitmap
    case 0x0B23:
        return record.size() <= 2 * (3 + (function >> 8) + 1);
    default:
        return true;
    }
    return dibAt < record.size() && DibSafe(record.sliced(dibAt));
}

} // namespace

void SetIsolation(bool isolated)
{
    g_isolated.store(isolated);
}

bool Isolation()
{
    return g_isolated.load();
}

QByteArray SanitizeWmf(QByteArrayView data, QString* error)
{
    if (data.size() > PictureLimits::kMaxMetafileBytes) {
        fail(error, QStringLiteral("metafile too large"));
        return {};
    }
    qsizetype start = 0;
    if (data.size() >= 4 && le32(data, 0) == kPlaceableKey)
        start = 22;
    if (data.size() < start + 18) {
        fail(error, QStringLiteral("WMF header missing"));
        return {};
    }
    const quint16 type = le16(data, start);
    const quint16 headerWords = le16(data, start + 2);
    const quint16 version = le16(data, start + 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300)) {
        fail(error, QStringLiteral("not a WMF header"));
        return {};
    }
    QByteArray out = data.first(start + 18).toByteArray();
    qsizetype at = start + 18;
    quint32 maxRecord = 3;
    int records = 0;
    bool ended = false;
    while (at + 6 <= data.size() && records < kMaxRecords) {
        const quint32 words = le32(data, at);
        const quint16 function = le16(data, at + 4);
        if (words < 3 || qint64(words) * 2 > data.size() - at)
            break;
        const QByteArrayView record = data.sliced(at, qsizetype(words) * 2);
        at += record.size();
        ++records;
        if (!wmfRecordSafe(record, function))
            continue;
        maxRecord = std::max(maxRecord, words);
        out.append(record.data(), record.size());
        if (function == 0) {
            ended = true;
            break;
        }
    }
    if (!ended) {
        static const char eof[6] = {3, 0, 0, 0, 0, 0};
        out.append(eof, 6);
    }
    // The header's size fields must describe the records really present.
    char* header = out.data() + start;
    qToLittleEndian<quint32>(quint32((out.size() - start) / 2), header + 6);
    qToLittleEndian<quint32>(maxRecord, header + 12);
    return out;
}

QByteArray SanitizeEmf(QByteArrayView data, QString* error)
{
    if (data.size() > PictureLimits::kMaxMetafileBytes) {
        fail(error, QStringLiteral("metafile too large"));
        return {};
    }
    if (data.size() < 88 || le32(data, 0) != 1 || le32(data, 40) != kEmfSignature) {
        fail(error, QStringLiteral("not an EMF header"));
        return {};
    }
    const quint32 headerSize = le32(data, 4);
    if (headerSize < 88 || headerSize % 4 != 0 || headerSize > quint32(data.size())) {
        fail(error, QStringLiteral("EMF header size impossible"));
        return {};
    }
    QByteArray out = SafeEmfHeader(data.first(headerSize));
    if (out.isEmpty()) {
        fail(error, QStringLiteral("EMF bounds empty"));
        return {};
    }
    const quint32 handles = le16(data, 56);
    qsizetype at = headerSize;
    quint32 records = 1;
    bool ended = false;
    while (at + 8 <= data.size() && records < quint32(kMaxRecords)) {
        const quint32 type = le32(data, at);
        const quint32 size = le32(data, at + 4);
        if (size < 8 || size % 4 != 0 || qint64(size) > data.size() - at || type == 0 || type == 1)
            break;
        const QByteArray record = SafeEmfRecord(data.sliced(at, size), handles);
        at += qsizetype(size);
        if (record.isEmpty())
            continue;
        out.append(record);
        ++records;
        if (type == 14) {
            ended = true;
            break;
        }
    }
    if (!ended) {
        char eof[20] = {};
        qToLittleEndian<quint32>(14, eof);
        qToLittleEndian<quint32>(20, eof + 4);
        qToLittleEndian<quint32>(16, eof + 12);
        qToLittleEndian<quint32>(20, eof + 16);
        out.append(eof, 20);
        ++records;
    }
    qToLittleEndian<quint32>(quint32(out.size()), out.data() + 48);
    qToLittleEndian<quint32>(records, out.data() + 52);
    return out;
}

namespace {

// libwmf writes the text of a metafile into the SVG as it finds it: bytes of the font's
// code page, nothing escaped. Font names and text become well-formed UTF-8 XML here;
// 8-bit text is taken as Windows-1251, the code page of the tests. The family names the
// stand-in fonts text was measured with, so that it is drawn as wide as it was measured.
QByteArray repairWmfSvg(const QByteArray& svg, const WmfFontSet& fonts)
{
    QByteArray out;
    out.reserve(svg.size() + svg.size() / 8);
    qsizetype at = 0;
    for (;;) {
        const qsizetype tag = svg.indexOf("<text", at);
        if (tag < 0)
            break;
        const qsizetype family = svg.indexOf("font-family:", tag);
        const qsizetype familyEnd = family < 0 ? -1 : svg.indexOf(';', family);
        if (familyEnd < 0)
            break;
        out += svg.mid(at, family + 12 - at);
        const QString standIn =
            fonts.svgFamily(QByteArrayView(svg).sliced(family + 12, familyEnd - family - 12));
        if (!standIn.isEmpty())
            out += standIn.toUtf8();
        for (qsizetype i = family + 12; standIn.isEmpty() && i < familyEnd; ++i) {
            const char c = svg[i];
            out += (c == '"' || c == '<' || c == '>' || c == '&' || c == '\'') ? ' ' : c;
        }
        const qsizetype open = svg.indexOf('>', familyEnd);
        const qsizetype close = open < 0 ? -1 : svg.indexOf("</text>", open);
        if (close < 0) {
            at = familyEnd;
            break;
        }
        out += svg.mid(familyEnd, open + 1 - familyEnd);
        for (qsizetype i = open + 1; i < close; ++i) {
            const char c = svg[i];
            if (c == '&')
                out += "&amp;";
            else if (c == '<')
                out += "&lt;";
            else if (c == '>')
                out += "&gt;";
            else if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n')
                out += ' ';
            else
                out += c;
        }
        at = close;
    }
    out += svg.mid(at);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(out);
    if (utf8.hasError())
        return cp1251::decode(out).toUtf8();
    return out;
}

// The converters live in a module of their own, loaded here on first use: normally in the
// child process, so the program itself never maps them.
template <typename Function>
Function* converter(const char* symbol, QString* error)
{
    QString loadError;
    auto* toSvg = ModuleFunction<Function>(MetafileModule, symbol, &loadError);
    if (toSvg == nullptr)
        fail(error, QStringLiteral("the metafile converters are missing: %1").arg(loadError));
    return toSvg;
}

// Takes over the converter's malloc'd answer.
QByteArray takeSvg(char* svg, std::size_t length, const QString& failure, QString* error)
{
    QByteArray out = svg == nullptr ? QByteArray() : QByteArray(svg, qsizetype(length));
    std::free(svg);
    if (out.isEmpty())
        fail(error, failure);
    return out;
}

const unsigned char* bytesOf(QByteArrayView data)
{
    return reinterpret_cast<const unsigned char*>(data.data());
}

} // namespace

QByteArray WmfToSvg(QByteArrayView sanitized, QString* error)
{
    auto* toSvg = converter<KvizorWmfToSvg>(WmfToSvgSymbol, error);
    if (toSvg == nullptr)
        return {};
    const std::shared_ptr<const WmfFontSet> fonts = CurrentWmfFonts();
    std::size_t length = 0;
    char* svg = toSvg(bytesOf(sanitized), std::size_t(sanitized.size()), fonts->forModule(), &length);
    const QByteArray out = takeSvg(svg, length, QStringLiteral("libwmf could not read the metafile"), error);
    return out.isEmpty() ? out : repairWmfSvg(out, *fonts);
}

QByteArray EmfToSvg(QByteArrayView sanitized, QString* error)
{
    auto* toSvg = converter<KvizorMetafileToSvg>(EmfToSvgSymbol, error);
    if (toSvg == nullptr)
        return {};
    std::size_t length = 0;
    char* svg = toSvg(bytesOf(sanitized), std::size_t(sanitized.size()), &length);
    return takeSvg(svg, length, QStringLiteral("libemf2svg could not read the metafile"), error);
}

QImage RenderSvg(const QByteArray& svg, QSize size, QString* error)
{
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) {
        fail(error, QStringLiteral("the converted metafile is not valid SVG"));
        return {};
    }
    if (!size.isValid() || size.isEmpty())
        size = renderer.defaultSize();
    if (size.isEmpty()) {
        fail(error, QStringLiteral("the metafile has no size"));
        return {};
    }
    const int side = PictureLimits::kMaxRenderSide;
    if (size.width() > side || size.height() > side)
        size = size.scaled(side, side, Qt::KeepAspectRatio);
    size = size.expandedTo(QSize(1, 1));
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        fail(error, QStringLiteral("out of memory for the picture"));
        return {};
    }
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image;
}

namespace {

// 32-bit rows carry no padding, so the pixels travel as one block.
QByteArray imageBytes(const QImage& picture)
{
    if (picture.isNull())
        return {};
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QByteArray out(8, '\0');
    qToLittleEndian<quint32>(quint32(image.width()), out.data());
    qToLittleEndian<quint32>(quint32(image.height()), out.data() + 4);
    out.append(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    return out;
}

QImage imageFromBytes(QByteArrayView bytes)
{
    if (bytes.size() < 8)
        return {};
    const qint64 width = le32(bytes, 0);
    const qint64 height = le32(bytes, 4);
    const int side = PictureLimits::kMaxRenderSide;
    if (width < 1 || height < 1 || width > side || height > side || bytes.size() != 8 + width * height * 4)
        return {};
    QImage image(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    std::memcpy(image.bits(), bytes.data() + 8, std::size_t(image.sizeInBytes()));
    return image;
}

using ToSvg = QByteArray (*)(QByteArrayView, QString*);

// Converts and draws, in a child process unless isolation is off: Qt's SVG drawing is no
// more made for hostile input than the converters (a path reaching millions of pixels
// off the picture takes a second to fill), so the child's time bound covers both.
std::unique_ptr<PendingDrawing> startDrawing(ToSvg toSvg, const QByteArray& sane, QSize size)
{
    auto drawHere = [toSvg, sane, size](QString* reason) {
        const QByteArray svg = toSvg(sane, reason);
        return svg.isEmpty() ? QImage() : RenderSvg(svg, size, reason);
    };
    if (!g_isolated.load()) {
        QString error;
        QImage image = drawHere(&error);
        return std::make_unique<PendingDrawing>(std::move(image), error);
    }
    return std::make_unique<PendingDrawing>(
        std::make_unique<IsolatedChild>([&drawHere] { return imageBytes(drawHere(nullptr)); },
                                        PictureLimits::kMetafileSeconds, kMaxImageBytes));
}

// Loaded and looked up here, before the converting child starts, so that every child
// finds the converters mapped and the fonts found instead of doing it anew.
bool wmfReady(QString* error)
{
    if (converter<KvizorWmfToSvg>(WmfToSvgSymbol, error) == nullptr)
        return false;
    CurrentWmfFonts();
    return true;
}

bool emfReady(QString* error)
{
    return converter<KvizorMetafileToSvg>(EmfToSvgSymbol, error) != nullptr;
}

// Checks the metafile and starts drawing it; nullptr with the reason when it cannot be drawn.
std::unique_ptr<PendingDrawing> start(QByteArray (*sanitize)(QByteArrayView, QString*),
                                      bool (*ready)(QString*), ToSvg toSvg, QByteArrayView data, QSize size,
                                      QString* error)
{
    const QByteArray sane = sanitize(data, error);
    if (sane.isEmpty() || !ready(error))
        return nullptr;
    return startDrawing(toSvg, sane, size);
}

QImage finished(std::unique_ptr<PendingDrawing> drawing, QString* error)
{
    return drawing ? drawing->finish(error) : QImage();
}

} // namespace

PendingDrawing::PendingDrawing(QImage done, QString error)
    : m_done(std::move(done)), m_error(std::move(error))
{
}

PendingDrawing::PendingDrawing(std::unique_ptr<IsolatedChild> child) : m_child(std::move(child)) {}

PendingDrawing::~PendingDrawing() = default;

int PendingDrawing::answerFd() const
{
    return m_child ? m_child->answerFd() : -1;
}

int PendingDrawing::millisecondsLeft() const
{
    return m_child ? m_child->millisecondsLeft() : 0;
}

bool PendingDrawing::readAvailable()
{
    return m_child ? m_child->readAvailable() : true;
}

QImage PendingDrawing::finish(QString* error)
{
    if (m_child) {
        const QByteArray bytes = m_child->finish(&m_error);
        m_child.reset();
        if (!bytes.isEmpty()) {
            m_done = imageFromBytes(bytes);
            if (m_done.isNull())
                m_error = QStringLiteral("the metafile converter gave a damaged picture");
        }
    }
    if (m_done.isNull())
        fail(error, m_error);
    return m_done;
}

std::unique_ptr<PendingDrawing> StartWmf(QByteArrayView data, QSize size, QString* error)
{
    return start(SanitizeWmf, wmfReady, WmfToSvg, data, size, error);
}

std::unique_ptr<PendingDrawing> StartEmf(QByteArrayView data, QSize size, QString* error)
{
    return start(SanitizeEmf, emfReady, EmfToSvg, data, size, error);
}

QImage RenderWmf(QByteArrayView data, QSize size, QString* error)
{
    return finished(StartWmf(data, size, error), error);
}

QImage RenderEmf(QByteArrayView data, QSize size, QString* error)
{
    return finished(StartEmf(data, size, error), error);
}

} // namespace kvizor::metafile
