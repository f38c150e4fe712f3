#include "ui/ResultLog.h"

#include "common/Cp1251.h"
#include "common/TextFormats.h"

#include <QDir>
#include <QFile>

namespace kvizor::resultlog {

QString path(const QString& dirForResult, const QString& fileName, const QString& programFolder)
{
    const QString folder = dirForResult.isEmpty() ? programFolder : dirForResult;
    if (folder.isEmpty())
        return fileName;
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator()))
        return folder + fileName;
    return folder + QLatin1Char('/') + fileName;
}

QString eventLine(const QDateTime& when, const QString& text)
{
    return formatDateTime(when) + QLatin1Char(' ') + text;
}

bool appendLines(const QString& filePath, const QStringList& lines)
{
    QFile file(filePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    bool ok = true;
    for (const QString& line : lines) {
        QByteArray bytes = cp1251::encode(line);
        bytes.append("\r\n", 2);
        // Unbuffered-style writes with a flush per line, so the lines before a failure stay.
        if (file.write(bytes) != bytes.size() || !file.flush()) {
            ok = false;
            break;
        }
    }
    file.close();
    return ok && file.error() == QFileDevice::NoError;
}

} // namespace kvizor::resultlog
