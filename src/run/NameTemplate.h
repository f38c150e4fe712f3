#pragma once

#include <QRegularExpression>
#include <QString>

namespace kvizor {

// A template of the identification dialog: a Perl-like regular expression over the
// examinee's name or group. It behaves as the templates of the settings expect:
// - a match is searched anywhere in the text; letter case counts;
// - "^" and "$" match only at the very start and end of the text; "." matches line breaks;
// - characters compare by their Windows-1251 code, so ranges such as А-Я mean the bytes
//   0xC0 … 0xDF; the ranges written exactly а-я and А-Я also hold ё and Ё, and а-Я holds
//   both alphabets with both letters.
class NameTemplate
{
public:
    // An empty expression accepts every text.
    explicit NameTemplate(const QString& expression);

    bool isEmpty() const { return m_empty; }
    bool isValid() const { return m_empty || m_regex.isValid(); }
    // Why the expression is not valid, in Russian, naming the expression.
    QString errorText() const;

    // Whether the expression finds a match in the text; false for an invalid expression.
    bool matches(const QString& text) const;

    // The expression as given to the engine (for diagnostics and tests).
    QString enginePattern() const { return m_regex.pattern(); }

private:
    QString m_expression;
    bool m_empty = true;
    QRegularExpression m_regex;
};

// Blanks and control characters off both ends, every run of blanks inside made one blank.
QString NormalizeSpaces(const QString& text);

} // namespace kvizor
