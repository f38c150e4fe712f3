#include "config/IniDocument.h"

#include "common/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace kvizor {

namespace {

bool isBlankChar(QChar ch)
{
    const char16_t c = ch.unicode();
    // A byte order mark inside the text (two files joined) stands where a blank could.
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r' || c == u'\uFEFF';
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

constexpr char Utf8Signature[] = "\xEF\xBB\xBF";

bool validUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

// A line of a UTF-8 file; a byte order mark at its start stays in the text, so the line
// writes back as it was read.
QString utf8Line(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

bool beyondAscii(QByteArrayView bytes)
{
    return std::any_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

bool cp1251Holds(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar ch) { return cp1251::toByte(ch) >= 0; });
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

IniDocument::Line::Line(QString lineText, QByteArray lineEnd)
    : text(std::move(lineText)), eol(std::move(lineEnd))
{
    if (const std::optional<QStringView> section = sectionName(text)) {
        kind = Section;
        name = section->toString();
    } else if (const std::optional<KeyLine> key = keyLine(text)) {
        kind = Key;
        name = key->key.toString();
    }
}

IniDocument IniDocument::fromBytes(QByteArrayView bytes)
{
    IniDocument doc;
    qsizetype start = 0;
    if (bytes.startsWith(Utf8Signature)) {
        start = 3;
        // A signature before bytes that are not UTF-8 is an editor's mistake: the text
        // is read as Windows-1251 and the signature kept.
        if (validUtf8(bytes.sliced(start)))
            doc.m_encoding = Encoding::Utf8WithSignature;
        else
            doc.m_signature = bytes.first(3).toByteArray();
    } else if (beyondAscii(bytes) && validUtf8(bytes)) {
        doc.m_encoding = Encoding::Utf8;
    }
    const bool utf8 = doc.m_encoding != Encoding::Cp1251;
    while (start < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', start);
        QByteArray eol;
        QByteArrayView body;
        if (nl < 0) {
            body = bytes.sliced(start);
            start = bytes.size();
        } else {
            body = bytes.sliced(start, nl - start);
            start = nl + 1;
            if (body.endsWith('\r')) {
                body.chop(1);
                eol = QByteArrayLiteral("\r\n");
            } else {
                eol = QByteArrayLiteral("\n");
            }
        }
        doc.m_lines.append(Line(utf8 ? utf8Line(body) : cp1251::decode(body), std::move(eol)));
    }
    return doc;
}

QByteArray IniDocument::linesAs(Encoding encoding) const
{
    const bool utf8 = encoding != Encoding::Cp1251;
    QByteArray out;
    for (const Line& line : m_lines) {
        out += utf8 ? line.text.toUtf8() : cp1251::encode(line.text);
        out += line.eol;
    }
    return out;
}

IniDocument::Encoding IniDocument::encodingForWriting() const
{
    if (m_encoding != Encoding::Cp1251)
        return m_encoding;
    const bool holds =
        std::all_of(m_lines.begin(), m_lines.end(), [](const Line& line) { return cp1251Holds(line.text); });
    if (!holds)
        return Encoding::Utf8WithSignature;
    // Changed text whose bytes happen to be UTF-8 would be read back as other letters.
    const QByteArray bytes = linesAs(Encoding::Cp1251);
    return beyondAscii(bytes) && validUtf8(bytes) ? Encoding::Utf8WithSignature : Encoding::Cp1251;
}

QByteArray IniDocument::toBytes() const
{
    const Encoding encoding = encodingForWriting();
    const QByteArray signature = encoding == Encoding::Utf8WithSignature ? QByteArray(Utf8Signature)
                                 : encoding == Encoding::Cp1251          ? m_signature
                                                                         : QByteArray();
    return signature + linesAs(encoding);
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
        const Line& line = m_lines[i];
        if (line.kind == Line::Key && !names.contains(line.name, Qt::CaseInsensitive))
            names.append(line.name);
    }
    return names;
}

void IniDocument::setValue(QStringView section, QStringView key, QStringView value)
{
    const QString written = writeValueText(value);
    const QByteArray eol = newLineEnd();
    const std::optional<Range> range = findSection(section);
    if (!range) {
        if (!m_lines.isEmpty()) {
            if (m_lines.last().eol.isEmpty())
                m_lines.last().eol = eol;
            if (!isBlankLine(m_lines.last().text))
                m_lines.append(Line(QString(), eol));
        }
        m_lines.append(Line(u'[' + section.toString() + u']', eol));
        m_lines.append(Line(key.toString() + u'=' + written, eol));
        return;
    }
    const qsizetype index = findKey(*range, key);
    if (index >= 0) {
        // The key keeps its spelling in the file.
        m_lines[index] = Line(m_lines[index].name + u'=' + written, m_lines[index].eol);
        return;
    }
    // New keys go after the section's last key so that comments and blank lines that
    // lead into the next section stay with it.
    qsizetype at = range->header + 1;
    for (qsizetype i = range->header + 1; i < range->end; ++i) {
        if (m_lines[i].kind == Line::Key)
            at = i + 1;
    }
    if (m_lines[at - 1].eol.isEmpty())
        m_lines[at - 1].eol = eol;
    m_lines.insert(at, Line(key.toString() + u'=' + written, eol));
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
    // Only a line feed ends a line; any other character reads back as written.
    QString text = value.toString();
    text.replace(u'\n', u' ');
    if (unwrapValue(text) == text)
        return text;
    return u'"' + text + u'"';
}

std::optional<IniDocument::Range> IniDocument::findSection(QStringView section) const
{
    const qsizetype count = m_lines.size();
    const Line* lines = m_lines.constData();
    for (qsizetype i = 0; i < count; ++i) {
        if (lines[i].kind != Line::Section || !sameName(lines[i].name, section))
            continue;
        Range range{i, i + 1};
        while (range.end < count && lines[range.end].kind != Line::Section)
            ++range.end;
        return range;
    }
    return std::nullopt;
}

qsizetype IniDocument::findKey(const Range& range, QStringView key) const
{
    const Line* lines = m_lines.constData();
    for (qsizetype i = range.header + 1; i < range.end; ++i) {
        if (lines[i].kind == Line::Key && sameName(lines[i].name, key))
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
