#pragma once

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class QTextDocument;

namespace kvizor {

class TResultTest;

// Colour of the grade line of the examinee's summary.
inline const QColor kSummaryAccentColor = QColor(220, 50, 50);

// One paragraph of the examinee's summary; an invalid colour is the area's own text colour.
struct TStyledLine
{
    QString Text;
    bool Bold = false;
    QColor Color;

    bool operator==(const TStyledLine&) const = default;
};

// The end-of-test summary for the question area. Without showUserResult the figures are
// replaced by a line sending the examinee to the supervisor.
QList<TStyledLine> UserResultLines(const TResultTest& result, bool showUserResult);

// Replaces the document's content with the lines, one paragraph each, bold and colour as
// given and the document's default character format otherwise.
void WriteStyledLines(QTextDocument* document, const QList<TStyledLine>& lines);

// The 25 lines of a run's record in the result log; now is the moment of writing.
QStringList ResultLogRecord(const TResultTest& result, const QDateTime& now);

// One event line of the result log: the date-time, a blank and the text.
QString LogEventLine(const QDateTime& now, const QString& text);
QString ProgramStartedLogText();
QString TestBegunLogText(const QString& testTitle);
QString ProgramClosedLogText();

} // namespace kvizor
