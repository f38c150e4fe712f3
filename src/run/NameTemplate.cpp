#include "NameTemplate.h"

#include "common/Cp1251.h"

namespace kvizor {

namespace {

// The character the engine sees for a character of a template or a text: a character of
// the code page becomes the code point of its byte, so ranges compare by byte. Characters
// outside the code page keep their code point, moved off the byte range when they lie
// below 0x100, so they never fall into a byte range by accident.
QChar engineChar(QChar ch)
{
    const int byte = cp1251::toByte(ch);
    if (byte >= 0)
        return QChar(char16_t(byte));
    if (ch.unicode() < 0x100)
        return QChar(char16_t(0xE000 + ch.unicode()));
    return ch;
}

QString engineText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text)
        out.append(engineChar(ch));
    return out;
}

// The engine's text for the ranges whose lower-case or upper-case ё belongs to them
// although its code lies outside; empty for any other range.
QString specialRange(QChar from, QChar to)
{
    const char16_t a = from.unicode();
    const char16_t b = to.unicode();
    if (a == u'а' && b == u'я')
        return QStringLiteral("\\x{E0}-\\x{FF}\\x{B8}");
    if (a == u'А' && b == u'Я')
        return QStringLiteral("\\x{C0}-\\x{DF}\\x{A8}");
    if (a == u'а' && b == u'Я')
        return QStringLiteral("\\x{C0}-\\x{FF}\\x{A8}\\x{B8}");
    return QString();
}

// Rewrites a template for the engine: characters by their bytes, the special Cyrillic
// ranges widened, and "$" outside a character class made the very end of the text.
QString enginePatternOf(const QString& expression)
{
    QString out;
    out.reserve(expression.size() + 16);
    const qsizetype n = expression.size();
    bool inClass = false;
    qsizetype classStart = 0; // index of the first character inside the class
    qsizetype i = 0;
    while (i < n) {
        const QChar ch = expression.at(i);
        if (ch == QLatin1Char('\\')) {
            if (i + 1 >= n) {
                out.append(ch); // the engine reports the dangling escape
                ++i;
                continue;
            }
            const QChar next = expression.at(i + 1);
            if (next == QLatin1Char('Q')) {
                // A quoted span stays literal up to \E.
                const qsizetype end = expression.indexOf(QLatin1String("\\E"), i + 2);
                const qsizetype stop = end < 0 ? n : end;
                out.append(QLatin1String("\\Q"));
                out.append(engineText(expression.mid(i + 2, stop - i - 2)));
                if (end >= 0)
                    out.append(QLatin1String("\\E"));
                i = end < 0 ? n : end + 2;
                continue;
            }
            out.append(ch);
            out.append(engineChar(next));
            i += 2;
            continue;
        }
        if (!inClass) {
            if (ch == QLatin1Char('[')) {
                inClass = true;
                out.append(ch);
                ++i;
                if (i < n && expression.at(i) == QLatin1Char('^')) {
                    out.append(expression.at(i));
                    ++i;
                }
                classStart = i;
                continue;
            }
            if (ch == QLatin1Char('$')) {
                out.append(QLatin1String("\\z"));
                ++i;
                continue;
            }
            out.append(engineChar(ch));
            ++i;
            continue;
        }
        // Inside a character class.
        if (ch == QLatin1Char(']') && i != classStart) {
            inClass = false;
            out.append(ch);
            ++i;
            continue;
        }
        if (ch == QLatin1Char('[') && i + 1 < n && expression.at(i + 1) == QLatin1Char(':')) {
            // A POSIX class such as [:digit:] is copied as it is.
            const qsizetype end = expression.indexOf(QLatin1String(":]"), i + 2);
            if (end >= 0) {
                out.append(expression.mid(i, end + 2 - i));
                i = end + 2;
                continue;
            }
        }
        if (i + 2 < n && expression.at(i + 1) == QLatin1Char('-') &&
            expression.at(i + 2) != QLatin1Char(']') && expression.at(i + 2) != QLatin1Char('\\')) {
            const QString widened = specialRange(ch, expression.at(i + 2));
            if (!widened.isEmpty()) {
                out.append(widened);
                i += 3;
                continue;
            }
        }
        out.append(engineChar(ch));
        ++i;
    }
    return out;
}

} // namespace

NameTemplate::NameTemplate(const QString& expression)
    : m_expression(expression), m_empty(expression.isEmpty())
{
    if (m_empty)
        return;
    m_regex.setPattern(enginePatternOf(expression));
    m_regex.setPatternOptions(QRegularExpression::DotMatchesEverythingOption);
}

QString NameTemplate::errorText() const
{
    if (isValid())
        return QString();
    return QStringLiteral("Шаблон \"%1\" не является правильным регулярным выражением (%2).\r\n"
                          "Исправьте шаблон в настройках программы.")
        .arg(m_expression, m_regex.errorString());
}

bool NameTemplate::matches(const QString& text) const
{
    if (m_empty)
        return true;
    if (!m_regex.isValid())
        return false;
    return m_regex.match(engineText(text)).hasMatch();
}

QString NormalizeSpaces(const QString& text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from).unicode() <= 0x20)
        ++from;
    while (to > from && text.at(to - 1).unicode() <= 0x20)
        --to;
    QString out;
    out.reserve(to - from);
    for (qsizetype i = from; i < to; ++i) {
        const QChar ch = text.at(i);
        if (ch == QLatin1Char(' ') && out.endsWith(QLatin1Char(' ')))
            continue;
        out.append(ch);
    }
    return out;
}

} // namespace kvizor
