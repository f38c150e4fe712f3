#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <functional>

class QTextCursor;

namespace kvizor {

class TTest;

// Texts about an opened test: the summary written into the question area after a load
// and the lines of the test information window. Each text is a paragraph of its own.
namespace testsummary {

// "Всего заданий в тесте" of the summary: topics count, else the stored limit, else all.
int summaryTaskCount(const TTest& test, int taskCount);
// The same for the information window, where topics are not considered.
int infoTaskCount(const TTest& test, int taskCount);
// The criteria lines, from the last mark to the first, leaving out marks of 0 % or less.
QStringList markLines(const TTest& test);

// Writes the summary at the cursor of an empty document.
void writeSummary(QTextCursor& cursor, const TTest& test, int taskCount);

// Writes the information lines at the cursor of an empty document. The last three lines
// are drawn in hiddenColor (the background) so they show only when selected. Web and mail
// addresses in the author and description become links.
void writeInfo(QTextCursor& cursor, const TTest& test, int taskCount, const QColor& hiddenColor,
               const std::function<QString(const QString&)>& rtfToPlainText);

} // namespace testsummary
} // namespace kvizor
