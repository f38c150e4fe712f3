#include "ui/TestSummary.h"

#include "common/TextFormats.h"
#include "model/Test.h"

#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>

namespace kvizor::testsummary {

namespace {

// Adds texts as paragraphs of their own; in an empty document the first text takes the
// existing empty paragraph.
class LineWriter
{
public:
    explicit LineWriter(QTextCursor& cursor) : m_cursor(cursor), m_first(cursor.document()->isEmpty()) {}

    void add(const QString& text, const QTextCharFormat& format = {})
    {
        if (!m_first)
            m_cursor.insertBlock(QTextBlockFormat(), format);
        m_first = false;
        m_cursor.setCharFormat(format);
        m_cursor.insertText(text, format);
    }
    QTextCursor& cursor() { return m_cursor; }

private:
    QTextCursor& m_cursor;
    bool m_first;
};

QTextCharFormat boldFormat()
{
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    return format;
}

QTextCharFormat italicFormat()
{
    QTextCharFormat format;
    format.setFontItalic(true);
    return format;
}

QString titleLine(const TTest& test)
{
    return QStringLiteral("Открыт тест: \"%1\"").arg(test.Title);
}

QString countLine(int count)
{
    return QStringLiteral("Всего заданий в тесте: %1.").arg(count);
}

void addCriteria(LineWriter& out, const TTest& test)
{
    const QTextCharFormat italic = italicFormat();
    out.add(QStringLiteral("Критерии оценивания:"), italic);
    for (const QString& line : markLines(test))
        out.add(line, italic);
}

// Adds a line whose web and mail addresses are anchors.
void addLinkedLine(LineWriter& out, const QString& text)
{
    static const QRegularExpression address(
        QStringLiteral("(https?://[^\\s<>\"]+|mailto:[^\\s<>\"]+|www\\.[^\\s<>\"]+)"),
        QRegularExpression::CaseInsensitiveOption);
    out.add(QString());
    QTextCursor& cursor = out.cursor();
    qsizetype from = 0;
    auto matches = address.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        cursor.insertText(text.mid(from, match.capturedStart() - from), QTextCharFormat());
        QString target = match.captured();
        // Trailing punctuation belongs to the sentence, not to the address.
        while (!target.isEmpty() && QStringLiteral(".,;:!?)").contains(target.back()))
            target.chop(1);
        QString url = target;
        if (url.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
            url.prepend(QLatin1String("http://"));
        QTextCharFormat link;
        link.setAnchor(true);
        link.setAnchorHref(url);
        link.setFontUnderline(true);
        link.setForeground(Qt::blue);
        cursor.insertText(target, link);
        from = match.capturedStart() + target.size();
    }
    cursor.insertText(text.mid(from), QTextCharFormat());
}

} // namespace

int summaryTaskCount(const TTest& test, int taskCount)
{
    if (test.UseThemes)
        return test.TasksToAsk;
    return infoTaskCount(test, taskCount);
}

int infoTaskCount(const TTest& test, int taskCount)
{
    if (test.TaskLimit > 0 && test.TaskLimit < taskCount)
        return test.TaskLimit;
    return taskCount;
}

QStringList markLines(const TTest& test)
{
    QStringList lines;
    for (qsizetype i = test.Marks.size() - 1; i >= 0; --i) {
        const TMark& mark = test.Marks.at(i);
        if (mark.Percent <= 0)
            continue;
        const QString name = mark.Name.isEmpty() ? QString::number(mark.Value) : mark.Name;
        lines.append(
            QStringLiteral("  \"%1\" не менее %2% макс. баллов;").arg(name, QString::number(mark.Percent)));
    }
    return lines;
}

void writeSummary(QTextCursor& cursor, const TTest& test, int taskCount)
{
    LineWriter out(cursor);
    out.add(titleLine(test), boldFormat());
    out.add(countLine(summaryTaskCount(test, taskCount)));
    addCriteria(out, test);
    out.add(QStringLiteral("Желаем выполнить все задания правильно..."));
    out.add(QStringLiteral("Для начала прохождения теста дайте команду Тест -> Начать..."));
}

void writeInfo(QTextCursor& cursor, const TTest& test, int taskCount, const QColor& hiddenColor,
               const std::function<QString(const QString&)>& rtfToPlainText)
{
    LineWriter out(cursor);
    out.add(titleLine(test), boldFormat());
    out.add(countLine(infoTaskCount(test, taskCount)));
    addCriteria(out, test);
    if (!test.Author.isEmpty())
        addLinkedLine(out, QStringLiteral("Автор теста: %1").arg(test.Author));
    if (!test.Description.isEmpty()) {
        out.add(QStringLiteral("Описание теста:"));
        const QString plain = rtfToPlainText ? rtfToPlainText(test.Description) : test.Description;
        for (const QString& line : plain.split(QLatin1Char('\n')))
            addLinkedLine(out, line);
    }
    out.add(test.RandomTaskOrder ? QStringLiteral("Порядок следования заданий: случайный.")
                                 : QStringLiteral("Порядок следования заданий: нормальный."));
    out.add(test.RandomVariantOrder ? QStringLiteral("Порядок следования вариантов: случайный.")
                                    : QStringLiteral("Порядок следования вариантов: нормальный."));
    if (test.TestTimeLimit > 0)
        out.add(QStringLiteral("%1: %2.").arg(QStringLiteral("Ограничение по времени для всего теста"),
                                              formatDuration(test.TestTimeLimit)));
    out.add(QString());
    QTextCharFormat hidden;
    hidden.setForeground(hiddenColor);
    out.add(QStringLiteral("UId теста: %1").arg(test.UId), hidden);
    out.add(QStringLiteral("Тест создан: %1.").arg(formatDateTime(test.Created)), hidden);
    out.add(QStringLiteral("Тест сохранен: %1.").arg(formatDateTime(test.Saved)), hidden);
}

} // namespace kvizor::testsummary
