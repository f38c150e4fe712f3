#include "DocumentZoom.h"

#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <QVariant>

#include <algorithm>
#include <array>
#include <functional>

namespace kvizor {
namespace {

// Unzoomed values kept in the formats.
enum : int
{
    kBaseFontSize = QTextFormat::UserProperty + 0x4B10,
    kBaseWidth,
    kBaseHeight,
    kBaseLeftMargin,
    kBaseRightMargin,
    kBaseTopMargin,
    kBaseBottomMargin,
    kBaseTextIndent,
    kBaseLineHeight,
    kBaseColumns,
    kBasePadding,
};

const char* const kZoomProperty = "kvizorZoom";
const char* const kBaseFontProperty = "kvizorBaseFontSize";

struct Change
{
    int position;
    int length;
    QTextCharFormat format;
};

double base(const QTextFormat& f, int baseProperty, double current)
{
    return f.hasProperty(baseProperty) ? f.doubleProperty(baseProperty) : current;
}

// Scales one character format; returns false when nothing changes.
bool zoomCharFormat(QTextCharFormat& f, const QTextDocument* document, double factor)
{
    if (f.isImageFormat()) {
        QTextImageFormat image = f.toImageFormat();
        double w = image.width();
        double h = image.height();
        if (!image.hasProperty(kBaseWidth) && (w <= 0 || h <= 0)) {
            const QVariant res = document->resource(QTextDocument::ImageResource, QUrl(image.name()));
            const QImage picture = res.value<QImage>();
            if (picture.isNull())
                return false;
            w = w > 0 ? w : picture.width();
            h = h > 0 ? h : picture.height();
        }
        const double bw = base(image, kBaseWidth, w);
        const double bh = base(image, kBaseHeight, h);
        if (image.hasProperty(kBaseWidth) && image.width() == bw * factor && image.height() == bh * factor)
            return false;
        image.setProperty(kBaseWidth, bw);
        image.setProperty(kBaseHeight, bh);
        image.setWidth(bw * factor);
        image.setHeight(bh * factor);
        f = image;
        return true;
    }
    if (!f.hasProperty(QTextFormat::FontPointSize))
        return false;
    const double b = base(f, kBaseFontSize, f.fontPointSize());
    if (f.hasProperty(kBaseFontSize) && f.fontPointSize() == b * factor)
        return false;
    f.setProperty(kBaseFontSize, b);
    f.setFontPointSize(b * factor);
    return true;
}

bool zoomBlockFormat(QTextBlockFormat& f, double factor)
{
    struct Margin
    {
        int property;
        int baseProperty;
    };
    static constexpr std::array<Margin, 5> margins = {{
        {QTextFormat::BlockLeftMargin, kBaseLeftMargin},
        {QTextFormat::BlockRightMargin, kBaseRightMargin},
        {QTextFormat::BlockTopMargin, kBaseTopMargin},
        {QTextFormat::BlockBottomMargin, kBaseBottomMargin},
        {QTextFormat::TextIndent, kBaseTextIndent},
    }};
    bool changed = false;
    for (const Margin& m : margins) {
        if (!f.hasProperty(m.property))
            continue;
        const double b = base(f, m.baseProperty, f.doubleProperty(m.property));
        if (f.hasProperty(m.baseProperty) && f.doubleProperty(m.property) == b * factor)
            continue;
        f.setProperty(m.baseProperty, b);
        f.setProperty(m.property, b * factor);
        changed = true;
    }
    const int type = f.lineHeightType();
    if (type == QTextBlockFormat::FixedHeight || type == QTextBlockFormat::MinimumHeight ||
        type == QTextBlockFormat::LineDistanceHeight) {
        const double b = base(f, kBaseLineHeight, f.lineHeight());
        if (!f.hasProperty(kBaseLineHeight) || f.lineHeight() != b * factor) {
            f.setProperty(kBaseLineHeight, b);
            f.setLineHeight(b * factor, type);
            changed = true;
        }
    }
    return changed;
}

void zoomTables(QTextFrame* frame, double factor)
{
    for (QTextFrame* child : frame->childFrames()) {
        if (auto* table = qobject_cast<QTextTable*>(child)) {
            QTextTableFormat f = table->format();
            QList<QTextLength> widths = f.columnWidthConstraints();
            QList<double> bases;
            if (f.hasProperty(kBaseColumns)) {
                const QList<QVariant> stored = f.property(kBaseColumns).toList();
                for (const QVariant& v : stored)
                    bases.append(v.toDouble());
            } else {
                for (const QTextLength& l : widths)
                    bases.append(l.rawValue());
            }
            if (bases.size() == widths.size()) {
                QList<QVariant> stored;
                for (int i = 0; i < widths.size(); ++i) {
                    stored.append(bases[i]);
                    if (widths[i].type() == QTextLength::FixedLength)
                        widths[i] = QTextLength(QTextLength::FixedLength, bases[i] * factor);
                }
                f.setProperty(kBaseColumns, stored);
                f.setColumnWidthConstraints(widths);
            }
            const double padding = base(f, kBasePadding, f.cellPadding());
            f.setProperty(kBasePadding, padding);
            f.setCellPadding(padding * factor);
            table->setFormat(f);
        }
        zoomTables(child, factor);
    }
}

// Applies edit to every character format of the document, run by run.
void editCharFormats(QTextDocument* document, const std::function<bool(QTextCharFormat&)>& edit,
                     bool blockMarks)
{
    QList<Change> changes;
    QTextCursor cursor(document);
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            if (edit(format))
                changes.append(Change{fragment.position(), fragment.length(), format});
        }
        if (blockMarks) {
            QTextCharFormat mark = block.charFormat();
            if (edit(mark)) {
                cursor.setPosition(block.position());
                cursor.setBlockCharFormat(mark);
            }
        }
    }
    for (const Change& c : std::as_const(changes)) {
        cursor.setPosition(c.position);
        cursor.setPosition(c.position + c.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(c.format);
    }
}

} // namespace

int DocumentZoom(const QTextDocument* document)
{
    const QVariant zoom = document->property(kZoomProperty);
    return zoom.isValid() ? zoom.toInt() : 100;
}

QTextDocument* CloneUnzoomed(const QTextDocument* document)
{
    QTextDocument* copy = document->clone();
    copy->setProperty(kZoomProperty, document->property(kZoomProperty));
    copy->setProperty(kBaseFontProperty, document->property(kBaseFontProperty));
    ApplyDocumentZoom(copy, 100);
    return copy;
}

void ApplyDocumentZoom(QTextDocument* document, int percent)
{
    percent = std::max(1, percent);
    const double factor = percent / 100.0;
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    QVariant baseFont = document->property(kBaseFontProperty);
    if (!baseFont.isValid() || DocumentZoom(document) == 100)
        baseFont = document->defaultFont().pointSizeF();
    document->setProperty(kBaseFontProperty, baseFont);
    QFont font = document->defaultFont();
    if (baseFont.toDouble() > 0)
        font.setPointSizeF(baseFont.toDouble() * factor);
    document->setDefaultFont(font);
    editCharFormats(
        document, [&](QTextCharFormat& f) { return zoomCharFormat(f, document, factor); }, true);
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat f = block.blockFormat();
        if (zoomBlockFormat(f, factor)) {
            cursor.setPosition(block.position());
            cursor.setBlockFormat(f);
        }
    }
    zoomTables(document->rootFrame(), factor);
    cursor.endEditBlock();
    document->setProperty(kZoomProperty, percent);
    document->setUndoRedoEnabled(undo);
}

void ChangeDocumentFontSize(QTextDocument* document, int delta)
{
    if (delta == 0)
        return;
    const double factor = DocumentZoom(document) / 100.0;
    const double defaultSize = document->property(kBaseFontProperty).isValid()
                                   ? document->property(kBaseFontProperty).toDouble()
                                   : document->defaultFont().pointSizeF();
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    editCharFormats(
        document,
        [&](QTextCharFormat& f) {
            if (f.isImageFormat())
                return false;
            double size = defaultSize;
            if (f.hasProperty(kBaseFontSize))
                size = f.doubleProperty(kBaseFontSize);
            else if (f.hasProperty(QTextFormat::FontPointSize))
                size = f.fontPointSize() / factor;
            if (size <= 1 && delta < 0)
                return false;
            const double changed = std::max(1.0, size + delta);
            f.setProperty(kBaseFontSize, changed);
            f.setFontPointSize(changed * factor);
            return true;
        },
        false);
    cursor.endEditBlock();
    document->setUndoRedoEnabled(undo);
}

} // namespace kvizor
