#pragma once

#include "model/Task.h"

#include <QImage>
#include <QString>

#include <functional>

class QTextCursor;
class QTextDocument;

namespace kvizor {

class TTest;
class TResultTest;

inline constexpr char16_t kDetailReportCaption[] = u"Отчет по прохождению теста";
inline constexpr char16_t kPictureLoadErrorText[] = u"Ошибка загрузки изображения!";

// Told once for each picture that cannot be loaded (its path and the decoder's reason);
// the report goes on without it.
using TPictureErrorHandler = std::function<void(const QString& path, const QString& reason)>;

// Builds the detailed report of a run into the document, whose default font is the base
// font (that of the question area). Walks TaskOrder of the record. The variants of each
// task are listed in a fresh order (shuffled again when the test orders variants at
// random), so the report may list them otherwise than the examinee saw them.
void BuildDetailReport(QTextDocument* report, const TTest& test, const TTaskList& tasks,
                       const TResultTest& result, const TPictureErrorHandler& onPictureError = {});

// Inserts a rich-text fragment of a test (RTF or plain text) at the cursor with its own
// formatting and pictures. A fragment that starts a paragraph keeps its first paragraph's
// format; one that continues a line (after "1) ") takes the line's.
void AppendRichText(QTextCursor& cursor, const QString& richText);

// A copy of the picture with the answer area outlined in red and cross-hatched in green,
// the picture showing between the hatch lines. The corners are (Left, Top) and
// (Left + Width, Top + Height), the right and bottom edge excluded as in a classic
// rectangle call.
QImage MarkAnswerRect(const QImage& picture, const TAnswerRect& rect);

// A number of a number task in the shortest general form (up to 15 significant digits,
// the locale's decimal separator, no digit grouping).
QString GeneralNumberText(double value);

} // namespace kvizor
