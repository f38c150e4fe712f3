#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>

class QTextDocument;

namespace kvizor::rtf {

struct CellDef
{
    int right = 0; // twips from the row's origin
    QColor background;
};

struct RowDef
{
    QList<CellDef> cells;
    int left = 0; // twips
    int gap = 108;
    Qt::Alignment alignment = Qt::AlignLeft;
};

// Collects paragraphs and table rows as the reader finds them and writes them into the
// document run by run. Rows are held until the table ends, because the shape of a table
// is only known after its last row.
class DocumentBuilder
{
public:
    explicit DocumentBuilder(QTextDocument* document);
    ~DocumentBuilder();
    DocumentBuilder(const DocumentBuilder&) = delete;
    DocumentBuilder& operator=(const DocumentBuilder&) = delete;

    void addText(const QString& text, const QTextCharFormat& format);
    void addImage(const QTextImageFormat& format);
    // Ends a paragraph; `mark` is the format of its end mark (the height of an empty line).
    void endParagraph(const QTextBlockFormat& format, const QTextCharFormat& mark, bool inTable);
    void endCell(const QTextBlockFormat& format, const QTextCharFormat& mark);
    void endRow(const RowDef& row);
    // Writes what is pending. An empty last paragraph is the document's end mark, not a line.
    void finish(const QTextBlockFormat& format, const QTextCharFormat& mark, bool inTable);

private:
    struct Run
    {
        QString text;
        QTextCharFormat format;
        bool image = false;
    };
    struct Para
    {
        QTextBlockFormat format;
        QTextCharFormat mark;
        QList<Run> runs;
    };
    struct Cell
    {
        QList<Para> paras;
    };
    struct Row
    {
        QList<Cell> cells;
        RowDef def;
    };

    void writeParagraph(const Para& para);
    static void writeRuns(QTextCursor& cursor, const QList<Run>& runs);
    void writeTable();
    void takeParagraph(const QTextBlockFormat& format, const QTextCharFormat& mark);

    QTextCursor m_cursor;
    bool m_fresh = true; // the cursor stands in an empty block not used yet
    int m_written = 0;
    Para m_para;
    Cell m_cell;
    bool m_cellOpen = false;
    Row m_row;
    QList<Row> m_rows;
};

} // namespace kvizor::rtf
