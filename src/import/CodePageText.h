#pragma once

#include <QString>
#include <QStringList>

namespace kvizor::quiz {

// Plain fields of a test (accepted answers, topic names, the title) are Windows-1251 text.
// A character outside the code page becomes its close form where one exists ("≤" -> "<=",
// "é" -> "e", a thin space -> a space) and "?" otherwise; the characters that became "?"
// are listed in `lost` (each once).
QString ToCodePageText(const QString& text, QStringList* lost = nullptr);

// True when every character of the text has a Windows-1251 byte.
bool FitsCodePage(const QString& text);

} // namespace kvizor::quiz
