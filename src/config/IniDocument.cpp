#include "config/IniDocument.h"

#include "common/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kvizor {

namespace {

bool isBlankChar(QChar ch)
{
    const char16_t c = ch.unicode();
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlankChar(text[begin]))
        ++begin;
    while (end > begin && isBlankChar(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool isBlankLine(QStringView text)
{
    return trimBlanks(text).isEmpty();
}

// The section name of a line "[Name]"; nullopt for any other line.
std::optional<QStringView> sectionName(QStringView text)
{
    const QStringView t = trimBlanks(text);
    if (!t.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = t.lastIndexOf(u']');
    if (close < 1)
        return std::nullopt;
    return trimBlanks(t.mid(1, close - 1));
}

struct KeyLine
{
    QStringView key;
    QStringView rawValue;
};

// A line "key=value"; comment lines (";...") and section lines are not keys.
std::optional<KeyLine> keyLine(QStringView text)
{
    const QStringView t = trimBlanks(text);
    if (t.isEmpty() || t.startsWith(u';') || sectionName(t))
        return std::nullopt;
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    const QStringView key = trimBlanks(text.left(eq));
    if (key.isEmpty())
        return std::nullopt;
    return KeyLine{key, text.mid(eq + 1)};
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Trimmed, one pair of enclosing quotes removed; no length cap.
QStringView unwrapValue(QStringView raw)
{
    QStringView t = trimBlanks(raw);
    if (t.size() >= 2 && (t.front() == u'"' || t.front() == u'\'') && t.back() == t.front())
        t = t.mid(1, t.size() - 2);
    return t;
}

} // namespace

IniDocument IniDocument::fromBytes(QByteArrayView bytes)
{
    IniDocument doc;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', start);
        Line line;
        QByteArrayView body;
        if (nl < 0) {
            body = bytes.sliced(start);
            start = bytes.size();
        } else {
            body = bytes.sliced(start, nl - start);
            start = nl + 1;
            if (body.endsWith('\r')) {
                body.chop(1);
                line.eol = QByteArrayLiteral("\r\n");
            } else {
                line.eol = QByteArrayLiteral("\n");
            }
        }
        line.text = cp1251::decode(body);
        doc.m_lines.append(std::move(line));
    }
    return doc;
}

QByteArray IniDocument::toBytes() const
{
    QByteArray out;
    for (const Line& line : m_lines) {
        out += cp1251::encode(line.text);
        out += line.eol;
    }
    return out;
}

bool IniDocument::readFile(const QString& path, IniDocument& doc, QString& error)
{
    doc = IniDocument();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (info.isDir()) {
        error = QStringLiteral("%1 is a folder").arg(QDir::toNativeSeparators(path));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    if (bytes.size() > MaxFileSize) {
        error =
            QStringLiteral("%1 is larger than %2 bytes").arg(QDir::toNativeSeparators(path)).arg(MaxFileSize);
        return false;
    }
    doc = fromBytes(bytes);
    return true;
}

bool IniDocument::writeFile(const QString& path, QString& error) const
{
    const QByteArray bytes = toBytes();
    QSaveFile file(path);
    // A file the user may write in a folder he may not is still saved, in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

bool IniDocument::hasSection(QStringView section) const
{
    return findSection(section).has_value();
}

std::optional<QString> IniDocument::value(QStringView section, QStringView key) const
{
    const std::optional<Range> range = findSection(section);
    if (!range)
        return std::nullopt;
    const qsizetype index = findKey(*range, key);
    if (index < 0)
        return std::nullopt;
    return readValueText(keyLine(m_lines[index].text)->rawValue);
}

QStringList IniDocument::keys(QStringView section) const
{
    QStringList names;
    const std::optional<Range> range = findSection(section);
    if (!range)
        return names;
    for (qsizetype i = range->header + 1; i < range->end; ++i) {
        const std::optional<KeyLine> kl = keyLine(m_lines[i].text);
        if (kl && !names.contains(kl->key, Qt::CaseInsensitive))
            names.append(kl->key.toString());
    }
    return names;
}

void IniDocument::setValue(QStringView section, QStringView key, QStringView value)
{
    const QString text = key.toString() + u'=' + writeValueText(value);
    const QByteArray eol = newLineEnd();
    const std::optional<Range> range = findSection(section);
    if (!range) {
        if (!m_lines.isEmpty()) {
            if (m_lines.last().eol.isEmpty())
                m_lines.last().eol = eol;
            if (!isBlankLine(m_lines.last().text))
                m_lines.append(Line{QString(), eol});
        }
        m_lines.append(Line{u'[' + section.toString() + u']', eol});
        m_lines.append(Line{text, eol});
        return;
    }
    const qsizetype index = findKey(*range, key);
    if (index >= 0) {
        m_lines[index].text = text;
        return;
    }
    // New keys go after the section's last key so that comments and blank lines that
    // lead into the next section stay with it.
    qsizetype at = range->header + 1;
    for (qsizetype i = range->header + 1; i < range->end; ++i) {
        if (keyLine(m_lines[i].text))
            at = i + 1;
    }
    if (m_lines[at - 1].eol.isEmpty())
        m_lines[at - 1].eol = eol;
    m_lines.insert(at, Line{text, eol});
}

void IniDocument::eraseSection(QStringView section)
{
    while (const std::optional<Range> range = findSection(section))
        m_lines.remove(range->header, range->end - range->header);
}

QString IniDocument::readValueText(QStringView raw)
{
    return unwrapValue(raw).left(MaxValueLength).toString();
}

QString IniDocument::writeValueText(QStringView value)
{
    QString text = value.toString();
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    if (unwrapValue(text) == text)
        return text;
    return u'"' + text + u'"';
}

std::optional<IniDocument::Range> IniDocument::findSection(QStringView section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const std::optional<QStringView> name = sectionName(m_lines[i].text);
        if (!name || !sameName(*name, section))
            continue;
        Range range{i, i + 1};
        while (range.end < m_lines.size() && !sectionName(m_lines[range.end].text))
            ++range.end;
        return range;
    }
    return std::nullopt;
}

qsizetype IniDocument::findKey(const Range& range, QStringView key) const
{
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        const std::optional<KeyLine> kl = keyLine(m_lines[i].text);
        if (kl && sameName(kl->key, key))
            return i;
    }
    return -1;
}

QByteArray IniDocument::newLineEnd() const
{
    for (const Line& line : m_lines) {
        if (!line.eol.isEmpty())
            return line.eol;
    }
    return QByteArrayLiteral("\r\n");
}

} // namespace kvizor
