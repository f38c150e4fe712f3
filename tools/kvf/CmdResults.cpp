// kvf results [--json|--csv] FILE.kvpr: every record of a protected result file.

#include "Commands.h"

#include "results/ProtectedResultFile.h"
#include "results/ResultTest.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>
#include <functional>

namespace kvizor::kvf {
namespace {

enum class Format
{
    Text,
    Json,
    Csv
};

// Field names as stored, in stored order, then the four masks.
const char* const kColumns[] = {
    "UserName",   "UserGroup",      "ComputerName", "ComputerUserName", "Reserved1",     "StartTime",
    "EndTime",    "ElapsedSeconds", "TestDate",     "TestTitle",        "TestFileName",  "TestFileCRC",
    "TestUId",    "TaskResults",    "TaskSeconds",  "TaskAnswers",      "TaskPenalties", "EndReason",
    "MarkValue",  "MarkName",       "MarkCount",    "TaskCount",        "AskedCount",    "RightCount",
    "WrongCount", "SkipCount",      "PromptCount",  "MaxPoints",        "Points",        "Reserved2",
    "ResultMask", "TimeMask",       "AnswerMask",   "PenaltyMask",
};

QJsonValue dateValue(double days)
{
    const QDateTime value = TResultTest::ToDateTime(days);
    if (!value.isValid())
        return QJsonValue(QJsonValue::Null);
    return value.toString(value.time().msec() != 0 ? Qt::ISODateWithMs : Qt::ISODate);
}

QJsonValue numberValue(double value)
{
    // JSON has no NaN or infinity.
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QJsonArray intArray(const QList<std::int32_t>& values)
{
    QJsonArray array;
    for (std::int32_t v : values)
        array.append(v);
    return array;
}

QJsonObject toJson(const TResultTest& r)
{
    QJsonObject o;
    o[QStringLiteral("UserName")] = r.UserName;
    o[QStringLiteral("UserGroup")] = r.UserGroup;
    o[QStringLiteral("ComputerName")] = r.ComputerName;
    o[QStringLiteral("ComputerUserName")] = r.ComputerUserName;
    o[QStringLiteral("Reserved1")] = r.Reserved1;
    o[QStringLiteral("StartTime")] = dateValue(r.StartTime);
    o[QStringLiteral("EndTime")] = dateValue(r.EndTime);
    o[QStringLiteral("ElapsedSeconds")] = r.ElapsedSeconds;
    o[QStringLiteral("TestDate")] = dateValue(r.TestDate);
    o[QStringLiteral("TestTitle")] = r.TestTitle;
    o[QStringLiteral("TestFileName")] = r.TestFileName;
    o[QStringLiteral("TestFileCRC")] =
        QStringLiteral("%1").arg(r.TestFileCRC, 8, 16, QLatin1Char('0')).toUpper();
    o[QStringLiteral("TestUId")] = r.TestUId;
    o[QStringLiteral("TaskResults")] = intArray(r.TaskResults);
    o[QStringLiteral("TaskSeconds")] = intArray(r.TaskSeconds);
    o[QStringLiteral("TaskAnswers")] = QJsonArray::fromStringList(r.TaskAnswers);
    o[QStringLiteral("TaskPenalties")] = intArray(r.TaskPenalties);
    o[QStringLiteral("EndReason")] = int(r.EndReason);
    o[QStringLiteral("MarkValue")] = r.MarkValue;
    o[QStringLiteral("MarkName")] = r.MarkName;
    o[QStringLiteral("MarkCount")] = r.MarkCount;
    o[QStringLiteral("TaskCount")] = r.TaskCount;
    o[QStringLiteral("AskedCount")] = r.AskedCount;
    o[QStringLiteral("RightCount")] = r.RightCount;
    o[QStringLiteral("WrongCount")] = r.WrongCount;
    o[QStringLiteral("SkipCount")] = r.SkipCount;
    o[QStringLiteral("PromptCount")] = r.PromptCount;
    o[QStringLiteral("MaxPoints")] = r.MaxPoints;
    o[QStringLiteral("Points")] = numberValue(r.Points);
    o[QStringLiteral("Reserved2")] = r.Reserved2;
    o[QStringLiteral("ResultMask")] = r.GetResultMask();
    o[QStringLiteral("TimeMask")] = r.GetTimeMask();
    o[QStringLiteral("AnswerMask")] = r.GetAnswerMask();
    o[QStringLiteral("PenaltyMask")] = r.GetPenaltyMask();
    return o;
}

// A value as one line of text or one spreadsheet cell: arrays in JSON form, dates as ISO
// text, null as nothing.
QString cellText(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', 17);
    case QJsonValue::String:
        return value.toString();
    default:
        break;
    }
    return QString();
}

QString csvCell(const QJsonValue& value)
{
    QString text = cellText(value);
    // Examinees type their own names: a cell a spreadsheet would take for a formula is
    // marked as plain text.
    if (value.isString() && !text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.at(0)))
        text.prepend(QLatin1Char('\''));
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) ||
        text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
        text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' '))) {
        text.replace(QLatin1String("\""), QLatin1String("\"\""));
        text = QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

void write(const QByteArray& bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
}

} // namespace

int runResults(const QStringList& args)
{
    Format format = Format::Text;
    QString path;
    for (const QString& arg : args) {
        if (arg == QLatin1String("--json"))
            format = Format::Json;
        else if (arg == QLatin1String("--csv"))
            format = Format::Csv;
        else if (path.isEmpty() && !arg.startsWith(QLatin1String("--")))
            path = arg;
        else {
            printError(QStringLiteral("usage: kvf results [--json|--csv] FILE.kvpr"));
            return 1;
        }
    }
    if (path.isEmpty()) {
        printError(QStringLiteral("usage: kvf results [--json|--csv] FILE.kvpr"));
        return 1;
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        printError(QStringLiteral("kvf: %1: cannot open: %2").arg(path, file.errorString()));
        return 2;
    }
    // The whole file is checked before anything is printed, so a damaged file prints only
    // the message; the second pass prints record by record.
    const auto readAll = [&](const std::function<void(const TResultTest&)>& each) {
        file.seek(0);
        ReadProtectedResults(file, each);
    };
    try {
        readAll([](const TResultTest&) {});
    } catch (const WrongFileTypeError&) {
        printError(QStringLiteral("kvf: %1: not a protected result file").arg(path));
        return 2;
    } catch (const FormatError& e) {
        printError(QStringLiteral("kvf: %1: damaged protected result file (%2)")
                       .arg(path, QString::fromUtf8(e.what())));
        return 2;
    }

    int number = 0;
    try {
        if (format == Format::Csv) {
            QStringList header;
            for (const char* column : kColumns)
                header.append(QLatin1String(column));
            write(header.join(QLatin1Char(',')).toUtf8() + "\r\n");
        }
        if (format == Format::Json)
            write("[");
        readAll([&](const TResultTest& record) {
            const QJsonObject o = toJson(record);
            ++number;
            switch (format) {
            case Format::Json:
                write((number > 1 ? ",\n" : "\n") +
                      QJsonDocument(o).toJson(QJsonDocument::Indented).trimmed());
                break;
            case Format::Csv: {
                QStringList cells;
                for (const char* column : kColumns)
                    cells.append(csvCell(o.value(QLatin1String(column))));
                write(cells.join(QLatin1Char(',')).toUtf8() + "\r\n");
                break;
            }
            case Format::Text: {
                QString text = QStringLiteral("Record %1\n").arg(number);
                for (const char* column : kColumns)
                    text += QStringLiteral("  %1: %2\n")
                                .arg(QLatin1String(column), cellText(o.value(QLatin1String(column))));
                write(text.toUtf8());
                break;
            }
            }
        });
        if (format == Format::Json)
            write(number > 0 ? "\n]\n" : "]\n");
    } catch (const FormatError& e) {
        // The file changed between the two passes.
        std::fflush(stdout);
        printError(QStringLiteral("kvf: %1: damaged protected result file (%2)")
                       .arg(path, QString::fromUtf8(e.what())));
        return 2;
    }
    std::fflush(stdout);
    return 0;
}

} // namespace kvizor::kvf
