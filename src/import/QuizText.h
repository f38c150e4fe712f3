#pragma once

#include "QuizSource.h"

#include <QString>
#include <QStringList>

namespace kvizor::quiz {

// What a text conversion could not carry over, for the question's warnings.
struct TextIssues
{
    // Pictures the text names that the source does not hold, or holds only as a link.
    QStringList MissingPictures;
    // Pictures whose bytes are no picture the program can show.
    QStringList BrokenPictures;
    // Characters of plain fields that became "?".
    QStringList LostCharacters;

    bool empty() const
    {
        return MissingPictures.isEmpty() && BrokenPictures.isEmpty() && LostCharacters.isEmpty();
    }
};

// A rich-text field of the model (question, variants, hint, explanation): plain text as it
// is when the code page holds it, otherwise RTF written from a QTextDocument (HTML with its
// bold, italic, underline, paragraphs, lists, tables and pictures; Markdown; plain text with
// characters outside the code page as Unicode escapes). Empty for a text with nothing to show.
// Pictures come only from `files` (@@PLUGINFILE@@) and data: links; nothing is fetched.
QString ToRichText(const QuizText& text, const QuizFiles& files, TextIssues& issues);

// A plain field (accepted answer, topic name, title): the text without markup, on one line,
// in the code page (see ToCodePageText).
QString ToPlainLine(const QuizText& text, TextIssues& issues);

// The text without markup and without line breaks, not yet made to fit the code page.
QString PlainLineOf(const QuizText& text);

} // namespace kvizor::quiz
