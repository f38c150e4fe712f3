#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace kvizor {

// The text result log: Windows-1251 lines ending in CR LF, appended per use.
namespace resultlog {

// dirForResult/fileName when a folder is configured, else programFolder/fileName.
QString path(const QString& dirForResult, const QString& fileName, const QString& programFolder);

// "dd.mm.yyyy hh:nn:ss " followed by text.
QString eventLine(const QDateTime& when, const QString& text);

inline const QString StartText = QStringLiteral("Запущена программа KvizorStudent.");
inline const QString CloseText = QStringLiteral("Закрыта программа KvizorStudent.");
inline const QString WriteErrorText = QStringLiteral("Ошибка записи в файл результатов.");

// Opens (creating when missing) the log for appending, writes the lines and closes it.
// A missing folder is an error and is not created. Lines written before a failure stay.
bool appendLines(const QString& filePath, const QStringList& lines);

} // namespace resultlog
} // namespace kvizor
