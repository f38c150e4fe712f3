#pragma once

#include "QuizSource.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace kvizor::quiz {

// One question block of a GIFT text that could not be read, with the line it starts on.
struct GiftProblem
{
    qint64 Line = 0;
    QString Name;
    QString Text;
};

// Reads GIFT text: questions separated by blank lines, "//" comment lines, "$CATEGORY:"
// blocks, ::titles::, [html]/[moodle]/[plain]/[markdown] formats, the answer kinds in
// braces, "#" feedback, "####" general feedback, %weights%, and the escapes \~ \= \# \{ \}
// \: \\ \n. Each block is read on its own, so one bad block costs only that question.
class GiftReader
{
public:
    explicit GiftReader(const QString& text);

    // The next question (categories included); false at the end. A block that cannot be
    // read is skipped and named in problems().
    bool next(QuizQuestion& question);
    const std::vector<GiftProblem>& problems() const { return m_problems; }

private:
    struct Block
    {
        QString text;
        qint64 line = 0;
    };
    bool nextBlock(Block& block);
    bool readBlock(const Block& block, QuizQuestion& question);

    QString m_text;
    qsizetype m_pos = 0;
    qint64 m_line = 1;
    std::vector<GiftProblem> m_problems;
};

// True when the text has the marks of GIFT: an answer block in braces, a ::title:: or a
// $CATEGORY: line outside comments.
bool LooksLikeGift(QStringView text);

} // namespace kvizor::quiz
