#include "RichText.h"

#include "common/Cp1251.h"
#include "RtfReader.h"
#include "RtfWriter.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace kvizor {
namespace {

void appendBlockText(QString& out, const QTextBlock& block)
{
    const QString text = block.text();
    out.reserve(out.size() + text.size());
    for (const QChar ch : text) {
        switch (ch.unicode()) {
        case 0x2028:
        case 0x2029:
            out += u'\n';
            break;
        case 0x00A0:
            out += u' ';
            break;
        case 0x00AD:
        case 0xFFFC:
            break;
        default:
            out += ch;
        }
    }
}

void appendFrame(QString& out, const QTextFrame* frame, bool& first);
// The blocks and frames from it on, one line each; first says whether nothing came yet.
void appendItems(QString& out, QTextFrame::iterator it, bool& first);

void appendTable(QString& out, const QTextTable* table)
{
    for (int r = 0; r < table->rows(); ++r) {
        if (r > 0)
            out += u'\n';
        for (int c = 0; c < table->columns(); ++c) {
            if (c > 0)
                out += u'\t';
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c)
                continue;
            bool first = true;
            appendItems(out, cell.begin(), first);
        }
    }
}

void appendFrame(QString& out, const QTextFrame* frame, bool& first)
{
    if (const auto* table = qobject_cast<const QTextTable*>(frame)) {
        if (!first)
            out += u'\n';
        first = false;
        appendTable(out, table);
        return;
    }
    appendItems(out, frame->begin(), first);
}

void appendItems(QString& out, QTextFrame::iterator it, bool& first)
{
    for (; !it.atEnd(); ++it) {
        if (const QTextFrame* child = it.currentFrame()) {
            appendFrame(out, child, first);
            continue;
        }
        if (!first)
            out += u'\n';
        first = false;
        appendBlockText(out, it.currentBlock());
    }
}

} // namespace

void LoadRichTextDocument(QTextDocument* document, const QString& text, bool plain)
{
    document->clear();
    if (plain) {
        document->setPlainText(text);
        return;
    }
    const QByteArray bytes = cp1251::encode(text);
    if (IsRtf(bytes))
        ReadRtf(bytes, document);
    else
        document->setPlainText(text);
}

QString GetRichText(const QTextDocument* document, bool plain)
{
    const QString plainText = DocumentToPlainText(document);
    const bool hasPicture = document->toRawText().contains(QChar::ObjectReplacementCharacter);
    if (plainText.isEmpty() && !hasPicture)
        return {};
    if (plain)
        return plainText;
    return cp1251::decode(WriteRtf(document)).trimmed();
}

QString DocumentToPlainText(const QTextDocument* document)
{
    QString out;
    bool first = true;
    appendFrame(out, document->rootFrame(), first);
    return out.trimmed();
}

QString RtfToPlainText(const QString& text)
{
    const QByteArray bytes = cp1251::encode(text);
    if (!IsRtf(bytes))
        return text.trimmed();
    QTextDocument document;
    ReadRtf(bytes, &document);
    return DocumentToPlainText(&document);
}

} // namespace kvizor
