#include "RtfWriter.h"

#include "common/Cp1251.h"
#include "DocumentZoom.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

namespace kvizor {
namespace {

constexpr double kTwipsPerPixel = 15.0;

// A damaged document may hold any length; bounded, a few of them still add up and negate
// within int.
constexpr double kMaxTwips = 1e9;

int twips(double pixels)
{
    const double value = pixels * kTwipsPerPixel;
    if (std::isnan(value))
        return 0;
    return int(std::lround(std::clamp(value, -kMaxTwips, kMaxTwips)));
}

class Writer
{
public:
    explicit Writer(const QTextDocument* document) : m_document(document) {}

    QByteArray write();

private:
    void writeFrame(const QTextFrame* frame);
    void writeTable(const QTextTable* table);
    void writeParagraphFormat(const QTextBlock& block, bool inTable);
    void writeBlockContent(const QTextBlock& block);
    void writeCharFormat(const QTextCharFormat& format);
    void writeImage(const QTextImageFormat& format);
    // A PNG or JPEG given as its encoded bytes is written as it is, not decoded and
    // re-encoded; false for anything else.
    bool writeEncodedImage(const QTextImageFormat& format, const QByteArray& bytes);
    void writeHex(const QByteArray& bytes);
    void writeText(QStringView text);
    void word(const char* name, int value) { m_body += '\\' + QByteArray(name) + QByteArray::number(value); }
    void word(const char* name) { m_body += '\\' + QByteArray(name); }
    int fontIndex(const QString& family);
    int colorIndex(const QColor& color);
    static QByteArray escape(QStringView text);

    const QTextDocument* m_document;
    QByteArray m_body;
    QStringList m_fonts;
    QList<QRgb> m_colors;
};

QByteArray Writer::write()
{
    m_fonts.append(m_document->defaultFont().family());
    writeFrame(m_document->rootFrame());

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\nouicompat\\deflang1049{\\fonttbl";
    for (int i = 0; i < m_fonts.size(); ++i)
        out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset204 " + escape(m_fonts[i]) + ";}";
    out += "}\r\n";
    if (!m_colors.isEmpty()) {
        out += "{\\colortbl ;";
        for (const QRgb rgb : std::as_const(m_colors)) {
            out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" + QByteArray::number(qGreen(rgb)) +
                   "\\blue" + QByteArray::number(qBlue(rgb)) + ';';
        }
        out += "}\r\n";
    }
    out += "\\viewkind4\\uc1 ";
    out += m_body;
    out += "}\r\n";
    return out;
}

void Writer::writeFrame(const QTextFrame* frame)
{
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame* child = it.currentFrame()) {
            if (const auto* table = qobject_cast<const QTextTable*>(child))
                writeTable(table);
            else
                writeFrame(child);
            continue;
        }
        const QTextBlock block = it.currentBlock();
        writeParagraphFormat(block, false);
        writeBlockContent(block);
        // The mark of a last paragraph with text is implied; an empty last one needs its own.
        if (!(frame == m_document->rootFrame() && block == m_document->lastBlock() && block.length() > 1))
            word("par");
        m_body += "\r\n";
    }
}

void Writer::writeTable(const QTextTable* table)
{
    const QTextTableFormat format = table->format();
    const QList<QTextLength> widths = format.columnWidthConstraints();
    for (int r = 0; r < table->rows(); ++r) {
        word("trowd");
        word("trgaph", twips(format.cellPadding()));
        if (format.alignment() & Qt::AlignHCenter)
            word("trqc");
        else if (format.alignment() & Qt::AlignRight)
            word("trqr");
        qint64 right = 0;
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            const QBrush background = cell.format().background();
            if (background.style() != Qt::NoBrush)
                word("clcbpat", colorIndex(background.color()));
            const QTextLength width = c < widths.size() ? widths[c] : QTextLength();
            right += width.type() == QTextLength::FixedLength ? std::max(1, twips(width.rawValue())) : 1440;
            word("cellx", int(std::min<qint64>(right, INT_MAX)));
        }
        m_body += "\r\n";
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() == r && cell.column() == c) {
                const QTextBlock last = cell.lastCursorPosition().block();
                for (QTextBlock b = cell.firstCursorPosition().block(); b.isValid(); b = b.next()) {
                    writeParagraphFormat(b, true);
                    writeBlockContent(b);
                    if (b == last)
                        break;
                    word("par");
                }
            } else {
                word("pard");
                word("intbl");
            }
            word("cell");
            m_body += "\r\n";
        }
        word("row");
        m_body += "\r\n";
    }
    word("pard");
}

void Writer::writeParagraphFormat(const QTextBlock& block, bool inTable)
{
    const QTextBlockFormat f = block.blockFormat();
    word("pard");
    if (inTable)
        word("intbl");
    const Qt::Alignment a = f.alignment();
    if (a & Qt::AlignJustify)
        word("qj");
    else if (a & Qt::AlignHCenter)
        word("qc");
    else if (a & Qt::AlignRight)
        word("qr");
    if (f.leftMargin() != 0)
        word("li", twips(f.leftMargin()));
    if (f.rightMargin() != 0)
        word("ri", twips(f.rightMargin()));
    if (f.textIndent() != 0)
        word("fi", twips(f.textIndent()));
    if (f.topMargin() != 0)
        word("sb", twips(f.topMargin()));
    if (f.bottomMargin() != 0)
        word("sa", twips(f.bottomMargin()));
    switch (f.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        word("sl", int(std::lround(f.lineHeight() * 240.0 / 100.0)));
        word("slmult", 1);
        break;
    case QTextBlockFormat::MinimumHeight:
        word("sl", twips(f.lineHeight()));
        word("slmult", 0);
        break;
    case QTextBlockFormat::FixedHeight:
        word("sl", -twips(f.lineHeight()));
        word("slmult", 0);
        break;
    default:
        break;
    }
    for (const QTextOption::Tab& tab : f.tabPositions()) {
        if (tab.type == QTextOption::RightTab)
            word("tqr");
        else if (tab.type == QTextOption::CenterTab)
            word("tqc");
        else if (tab.type == QTextOption::DelimiterTab)
            word("tqdec");
        word("tx", twips(tab.position + std::max(0.0, f.leftMargin()) + f.textIndent()));
    }
    m_body += ' ';
}

void Writer::writeBlockContent(const QTextBlock& block)
{
    if (block.length() <= 1) {
        // An empty paragraph keeps its height through the format of its mark.
        m_body += '{';
        writeCharFormat(block.charFormat());
        m_body += '}';
        return;
    }
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        const bool link = format.isAnchor() && !format.anchorHref().isEmpty();
        if (link) {
            m_body += "{\\field{\\*\\fldinst{HYPERLINK \"";
            m_body += escape(format.anchorHref());
            m_body += "\"}}{\\fldrslt";
        }
        m_body += '{';
        if (format.isImageFormat()) {
            writeImage(format.toImageFormat());
        } else {
            writeCharFormat(format);
            writeText(fragment.text());
        }
        m_body += '}';
        if (link)
            m_body += "}}";
    }
}

void Writer::writeCharFormat(const QTextCharFormat& f)
{
    const QStringList families = f.fontFamilies().toStringList();
    word("f", fontIndex(families.isEmpty() ? m_document->defaultFont().family() : families.first()));
    const double size = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize()
                                                                  : m_document->defaultFont().pointSizeF();
    word("fs", std::max(2, int(std::lround(size * 2))));
    if (f.fontWeight() >= QFont::DemiBold)
        word("b");
    if (f.fontItalic())
        word("i");
    switch (f.underlineStyle()) {
    case QTextCharFormat::SingleUnderline:
        word("ul");
        break;
    case QTextCharFormat::DashUnderline:
        word("uldash");
        break;
    case QTextCharFormat::DotLine:
        word("uld");
        break;
    case QTextCharFormat::DashDotLine:
        word("uldashd");
        break;
    case QTextCharFormat::DashDotDotLine:
        word("uldashdd");
        break;
    case QTextCharFormat::WaveUnderline:
    case QTextCharFormat::SpellCheckUnderline:
        word("ulwave");
        break;
    default:
        break;
    }
    if (f.fontStrikeOut())
        word("strike");
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        word("super");
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript)
        word("sub");
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        word("cf", colorIndex(f.foreground().color()));
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        word("highlight", colorIndex(f.background().color()));
    m_body += ' ';
}

void Writer::writeImage(const QTextImageFormat& format)
{
    const QVariant resource = m_document->resource(QTextDocument::ImageResource, QUrl(format.name()));
    if (resource.typeId() == QMetaType::QByteArray && writeEncodedImage(format, resource.toByteArray()))
        return;
    QImage image;
    if (resource.canConvert<QImage>())
        image = resource.value<QImage>();
    if (image.isNull() && resource.canConvert<QPixmap>())
        image = resource.value<QPixmap>().toImage();
    if (image.isNull())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return;
    const double width = format.width() > 0 ? format.width() : image.width();
    const double height = format.height() > 0 ? format.height() : image.height();
    m_body += "\\pict\\pngblip";
    word("picw", image.width());
    word("pich", image.height());
    word("picwgoal", twips(width));
    word("pichgoal", twips(height));
    m_body += "\r\n";
    writeHex(png);
}

bool Writer::writeEncodedImage(const QTextImageFormat& format, const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray kind = reader.format();
    const QSize size = reader.size();
    if ((kind != "png" && kind != "jpeg") || !size.isValid())
        return false;
    const double width = format.width() > 0 ? format.width() : size.width();
    const double height = format.height() > 0 ? format.height() : size.height();
    m_body += kind == "png" ? "\\pict\\pngblip" : "\\pict\\jpegblip";
    word("picw", size.width());
    word("pich", size.height());
    word("picwgoal", twips(width));
    word("pichgoal", twips(height));
    m_body += "\r\n";
    writeHex(bytes);
    return true;
}

void Writer::writeHex(const QByteArray& bytes)
{
    static const char digits[] = "0123456789abcdef";
    constexpr qsizetype kLine = 64; // bytes per line of 128 hex digits
    m_body.reserve(m_body.size() + bytes.size() * 2 + bytes.size() / kLine * 2 + 2);
    for (qsizetype i = 0; i < bytes.size(); i += kLine) {
        const qsizetype end = std::min(bytes.size(), i + kLine);
        for (qsizetype k = i; k < end; ++k) {
            const auto b = static_cast<unsigned char>(bytes[k]);
            m_body += digits[b >> 4];
            m_body += digits[b & 15];
        }
        m_body += "\r\n";
    }
}

void Writer::writeText(QStringView text)
{
    m_body += escape(text);
}

QByteArray Writer::escape(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        switch (u) {
        case u'\\':
            out += "\\\\";
            continue;
        case u'{':
            out += "\\{";
            continue;
        case u'}':
            out += "\\}";
            continue;
        case u'\t':
            out += "\\tab ";
            continue;
        case 0x2028:
        case u'\n':
            out += "\\line ";
            continue;
        case 0x00A0:
            out += "\\~";
            continue;
        case 0x00AD:
            out += "\\-";
            continue;
        case 0x2011:
            out += "\\_";
            continue;
        case 0xFFFC:
        case u'\r':
            continue;
        default:
            break;
        }
        if (u >= 0x20 && u < 0x80) {
            out += char(u);
            continue;
        }
        if (u < 0x20)
            continue;
        const int byte = cp1251::toByte(ch);
        if (byte >= 0x80) {
            static const char digits[] = "0123456789abcdef";
            out += "\\'";
            out += digits[byte >> 4];
            out += digits[byte & 15];
        } else {
            out += "\\u" + QByteArray::number(qint16(u)) + '?';
        }
    }
    return out;
}

int Writer::fontIndex(const QString& family)
{
    const qsizetype i = m_fonts.indexOf(family);
    if (i >= 0)
        return int(i);
    m_fonts.append(family);
    return int(m_fonts.size() - 1);
}

int Writer::colorIndex(const QColor& color)
{
    const QRgb rgb = color.rgb();
    const qsizetype i = m_colors.indexOf(rgb);
    if (i >= 0)
        return int(i + 1);
    m_colors.append(rgb);
    return int(m_colors.size());
}

} // namespace

QByteArray WriteRtf(const QTextDocument* document)
{
    // A zoomed document is written at its own sizes, not at the zoom it is shown with.
    if (DocumentZoom(document) != 100) {
        const std::unique_ptr<QTextDocument> copy(CloneUnzoomed(document));
        return Writer(copy.get()).write();
    }
    return Writer(document).write();
}

} // namespace kvizor
