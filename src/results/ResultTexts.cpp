#include "ResultTexts.h"

#include "common/DateTime.h"
#include "common/TextFormats.h"
#include "Grade.h"
#include "ResultTest.h"

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace kvizor {
namespace {

const QString kRule = QString(48, QLatin1Char('-'));

QString timeText(double days)
{
    return formatTime(daysToDateTime(days));
}

// The percent figures of the summary and the log.
struct Figures
{
    double rightOfAsked;
    double wrongOfAsked;
    double skippedOfAll;
    double effectiveness;
    double pointsPercent;
};

Figures figuresOf(const TResultTest& r)
{
    return {PercentOf(r.RightCount, r.AskedCount), PercentOf(r.WrongCount, r.AskedCount),
            PercentOf(r.SkipCount, r.TaskCount), PercentOf(r.RightCount, r.TaskCount),
            PercentOf(r.Points, r.MaxPoints)};
}

QString rightLine(const TResultTest& r, const Figures& f)
{
    return QStringLiteral("Из них правильно: %1 (%2% выполненых заданий).")
        .arg(r.RightCount)
        .arg(formatOneDecimal(f.rightOfAsked));
}

QString wrongLine(const TResultTest& r, const Figures& f)
{
    return QStringLiteral("Из них ошибок: %1 (%2% выполненых заданий).")
        .arg(r.WrongCount)
        .arg(formatOneDecimal(f.wrongOfAsked));
}

QString effectivenessLine(const Figures& f)
{
    return QStringLiteral("Результативность: %1%.").arg(formatOneDecimal(f.effectiveness));
}

QString promptsLine(const TResultTest& r)
{
    return QStringLiteral("Использовано подсказок: %1.").arg(r.PromptCount);
}

QString pointsLine(const TResultTest& r, const Figures& f)
{
    return QStringLiteral("Набрано баллов: %1 из %2 возможных. Ваш результат: %3%.")
        .arg(formatOneDecimal(r.Points))
        .arg(r.MaxPoints)
        .arg(formatOneDecimal(f.pointsPercent));
}

QString markLine(const TResultTest& r)
{
    return QStringLiteral("Оценка: %1.").arg(MarkText(r));
}

QString summaryEndLine(std::uint8_t reason, const QString& title)
{
    switch (reason) {
    case erFinished:
        return QStringLiteral("Тест \"%1\" закончен...").arg(title);
    case erStopped:
        return QStringLiteral("Тест \"%1\" остановлен...").arg(title);
    case erTimeOut:
        return QStringLiteral("Тест \"%1\" закончен - вышло время...").arg(title);
    case erProgramClosed:
        return QStringLiteral("Тест \"%1\" прерван - закрыта программа...").arg(title);
    default:
        return {};
    }
}

QString logEndLine(std::uint8_t reason)
{
    switch (reason) {
    case erFinished:
        return QStringLiteral("Тест закончен...");
    case erStopped:
        return QStringLiteral("Тест остановлен...");
    case erTimeOut:
        return QStringLiteral("Тест закончен - вышло время...");
    case erProgramClosed:
        return QStringLiteral("Тест прерван - закрыта программа...");
    default:
        return {};
    }
}

QString quoted(const QString& label, const QString& value)
{
    return label + QStringLiteral(": \"") + value + QLatin1Char('"');
}

QString maskLine(const QString& label, const QString& mask)
{
    return label + QStringLiteral(": \"") + mask + QStringLiteral("\".");
}

} // namespace

QList<TStyledLine> UserResultLines(const TResultTest& r, bool showUserResult)
{
    const Figures f = figuresOf(r);
    QList<TStyledLine> lines;
    const QString end = summaryEndLine(r.EndReason, r.TestTitle);
    if (!end.isEmpty())
        lines.append({end, true, {}});
    lines.append({QStringLiteral("Всего заданий в тесте: %1. Вами выполнено заданий: %2.")
                      .arg(r.TaskCount)
                      .arg(r.AskedCount),
                  false,
                  {}});
    if (showUserResult) {
        lines.append({rightLine(r, f), false, {}});
        lines.append({wrongLine(r, f), false, {}});
        if (r.SkipCount > 0) {
            lines.append({QStringLiteral("Пропущено: %1 (%2% всех заданий).")
                              .arg(r.SkipCount)
                              .arg(formatOneDecimal(f.skippedOfAll)),
                          false,
                          {}});
        }
        lines.append({effectivenessLine(f), false, {}});
        if (r.PromptCount > 0)
            lines.append({promptsLine(r), false, {}});
        lines.append({pointsLine(r, f), true, {}});
        lines.append({markLine(r), true, kSummaryAccentColor});
    } else {
        lines.append({QStringLiteral("Результаты тестирования Вы можете узнать у руководителя."), true,
                      kSummaryAccentColor});
    }
    lines.append({QStringLiteral("Время начала: %1.").arg(timeText(r.StartTime)), false, {}});
    lines.append({QStringLiteral("Время завершения: %1.").arg(timeText(r.EndTime)), false, {}});
    lines.append({QStringLiteral("Продолжительность: %1.").arg(formatDuration(r.ElapsedSeconds)), false, {}});
    return lines;
}

void WriteStyledLines(QTextDocument* document, const QList<TStyledLine>& lines)
{
    document->clear();
    QTextCursor cursor(document);
    cursor.setBlockCharFormat(QTextCharFormat());
    bool first = true;
    for (const TStyledLine& line : lines) {
        QTextCharFormat format;
        if (line.Bold)
            format.setFontWeight(QFont::Bold);
        if (line.Color.isValid())
            format.setForeground(line.Color);
        if (!first)
            cursor.insertBlock(QTextBlockFormat(), format);
        else
            cursor.setBlockCharFormat(format);
        first = false;
        cursor.insertText(line.Text, format);
    }
}

QStringList ResultLogRecord(const TResultTest& r, const QDateTime& now)
{
    const Figures f = figuresOf(r);
    QStringList lines;
    lines << kRule;
    lines << QStringLiteral("---------- %1 ----------").arg(formatDateTime(now));
    const QString end = logEndLine(r.EndReason);
    if (!end.isEmpty())
        lines << end;
    lines << quoted(QStringLiteral("Имя компьютера"), r.ComputerName);
    lines << quoted(QStringLiteral("Имя пользователя компьютера"), r.ComputerUserName);
    lines << quoted(QStringLiteral("Имя пользователя (тестируемого)"), r.UserName);
    lines << quoted(QStringLiteral("Название теста"), r.TestTitle);
    lines << quoted(QStringLiteral("Файл с тестом"), r.TestFileName);
    lines << quoted(QStringLiteral("CRC Файла с тестом"),
                    QStringLiteral("%1").arg(r.TestFileCRC, 8, 16, QLatin1Char('0')).toUpper());
    lines << QStringLiteral("Всего заданий в тесте: %1.").arg(r.TaskCount);
    lines << QStringLiteral("Выполнено заданий: %1.").arg(r.AskedCount);
    lines << rightLine(r, f);
    lines << wrongLine(r, f);
    lines << effectivenessLine(f);
    lines << promptsLine(r);
    lines << pointsLine(r, f);
    lines << markLine(r);
    lines << maskLine(QStringLiteral("Маска результата"), r.GetResultMask());
    lines << maskLine(QStringLiteral("Маска времени обдумывания (в секундах)"), r.GetTimeMask());
    lines << maskLine(QStringLiteral("Маска ответов"), r.GetAnswerMask());
    lines << maskLine(QStringLiteral("Маска штрафов за подсказку"), r.GetPenaltyMask());
    lines << QStringLiteral("Время начала: %1.").arg(timeText(r.StartTime));
    lines << QStringLiteral("Время завершения: %1.").arg(timeText(r.EndTime));
    lines << QStringLiteral("Продолжительность: %1.").arg(formatDuration(r.ElapsedSeconds));
    lines << kRule;
    return lines;
}

QString LogEventLine(const QDateTime& now, const QString& text)
{
    return formatDateTime(now) + QLatin1Char(' ') + text;
}

QString ProgramStartedLogText()
{
    return QStringLiteral("Запущена программа KvizorStudent.");
}

QString TestBegunLogText(const QString& testTitle)
{
    return QStringLiteral("Начат тест: \"") + testTitle + QLatin1Char('"');
}

QString ProgramClosedLogText()
{
    return QStringLiteral("Закрыта программа KvizorStudent.");
}

} // namespace kvizor
