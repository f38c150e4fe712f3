#include "RtfDocumentBuilder.h"

#include <QTextDocument>
#include <QTextTable>

#include <algorithm>

namespace kvizor::rtf {
namespace {

constexpr double kTwipsPerPixel = 15.0;

} // namespace

DocumentBuilder::DocumentBuilder(QTextDocument* document) : m_cursor(document)
{
    m_cursor.movePosition(QTextCursor::End);
    m_fresh = document->isEmpty();
    // Inside one edit block the cursors skip laying out each block after every insertion.
    m_cursor.beginEditBlock();
}

DocumentBuilder::~DocumentBuilder()
{
    m_cursor.endEditBlock();
}

void DocumentBuilder::addText(const QString& text, const QTextCharFormat& format)
{
    if (text.isEmpty())
        return;
    if (!m_para.runs.isEmpty()) {
        Run& last = m_para.runs.last();
        if (!last.image && last.format == format) {
            last.text += text;
            return;
        }
    }
    m_para.runs.append(Run{text, format, false});
}

void DocumentBuilder::addImage(const QTextImageFormat& format)
{
    m_para.runs.append(Run{QString(QChar::ObjectReplacementCharacter), format, true});
}

void DocumentBuilder::takeParagraph(const QTextBlockFormat& format, const QTextCharFormat& mark)
{
    m_para.format = format;
    m_para.mark = mark;
    m_cell.paras.append(std::move(m_para));
    m_para = Para();
    m_cellOpen = true;
}

void DocumentBuilder::endParagraph(const QTextBlockFormat& format, const QTextCharFormat& mark, bool inTable)
{
    if (inTable) {
        takeParagraph(format, mark);
        return;
    }
    // A row left without \row still belongs before this paragraph.
    if (m_cellOpen) {
        m_row.cells.append(std::move(m_cell));
        m_cell = Cell();
        m_cellOpen = false;
    }
    if (!m_row.cells.isEmpty()) {
        m_rows.append(std::move(m_row));
        m_row = Row();
    }
    writeTable();
    m_para.format = format;
    m_para.mark = mark;
    writeParagraph(m_para);
    m_para = Para();
}

void DocumentBuilder::endCell(const QTextBlockFormat& format, const QTextCharFormat& mark)
{
    takeParagraph(format, mark);
    m_row.cells.append(std::move(m_cell));
    m_cell = Cell();
    m_cellOpen = false;
}

void DocumentBuilder::endRow(const RowDef& row)
{
    if (m_cellOpen || !m_para.runs.isEmpty()) {
        if (!m_para.runs.isEmpty())
            takeParagraph(QTextBlockFormat(), QTextCharFormat());
        m_row.cells.append(std::move(m_cell));
        m_cell = Cell();
        m_cellOpen = false;
    }
    m_row.def = row;
    if (!m_row.cells.isEmpty())
        m_rows.append(std::move(m_row));
    m_row = Row();
}

void DocumentBuilder::finish(const QTextBlockFormat& format, const QTextCharFormat& mark, bool inTable)
{
    if (!m_para.runs.isEmpty())
        endParagraph(format, mark, inTable);
    if (m_cellOpen || !m_row.cells.isEmpty())
        endRow(m_row.def);
    writeTable();
}

void DocumentBuilder::writeRuns(QTextCursor& cursor, const QList<Run>& runs)
{
    for (const Run& run : runs) {
        if (run.image)
            cursor.insertImage(run.format.toImageFormat());
        else
            cursor.insertText(run.text, run.format);
    }
}

void DocumentBuilder::writeParagraph(const Para& para)
{
    if (m_fresh) {
        m_cursor.setBlockFormat(para.format);
        m_cursor.setBlockCharFormat(para.mark);
        m_fresh = false;
    } else {
        m_cursor.insertBlock(para.format, para.mark);
    }
    writeRuns(m_cursor, para.runs);
    ++m_written;
}

void DocumentBuilder::writeTable()
{
    if (m_rows.isEmpty())
        return;
    int columns = 1;
    const RowDef* widest = &m_rows.first().def;
    for (const Row& row : std::as_const(m_rows)) {
        columns = std::max(columns, int(row.cells.size()));
        if (row.def.cells.size() > widest->cells.size())
            widest = &row.def;
    }

    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(std::clamp(widest->gap / kTwipsPerPixel, 0.0, 20.0));
    format.setAlignment(widest->alignment);
    QList<QTextLength> widths;
    int previous = widest->left;
    for (int c = 0; c < columns; ++c) {
        if (c < widest->cells.size()) {
            const int right = widest->cells[c].right;
            widths.append(QTextLength(QTextLength::FixedLength,
                                      std::max(1.0, double(right) - previous) / kTwipsPerPixel));
            previous = std::max(previous, right);
        } else {
            widths.append(QTextLength());
        }
    }
    format.setColumnWidthConstraints(widths);

    // A table goes after the current block and leaves an empty block behind it.
    QTextTable* table = m_cursor.insertTable(int(m_rows.size()), columns, format);
    for (int r = 0; r < m_rows.size(); ++r) {
        const Row& row = m_rows[r];
        for (int c = 0; c < row.cells.size(); ++c) {
            QTextTableCell cell = table->cellAt(r, c);
            QTextCursor cursor = cell.firstCursorPosition();
            bool first = true;
            for (const Para& para : row.cells[c].paras) {
                if (first) {
                    cursor.setBlockFormat(para.format);
                    cursor.setBlockCharFormat(para.mark);
                    first = false;
                } else {
                    cursor.insertBlock(para.format, para.mark);
                }
                writeRuns(cursor, para.runs);
            }
            // The cell's format lives in its first paragraph mark, so it is set last.
            if (c < row.def.cells.size() && row.def.cells[c].background.isValid()) {
                QTextCharFormat cellFormat = cell.format();
                cellFormat.setBackground(row.def.cells[c].background);
                cell.setFormat(cellFormat);
            }
        }
    }
    m_rows.clear();
    m_cursor.movePosition(QTextCursor::End);
    m_fresh = true;
    ++m_written;
}

} // namespace kvizor::rtf
