#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace kvizor {

// A Windows-style initialisation file held as its lines, so that a program can change
// its own keys while every other line (foreign sections and keys, comments, blank
// lines, line endings, stray bytes) is written back exactly as it was read.
// Text is Windows-1251, or UTF-8 for a file that says so with a byte-order mark or whose
// bytes are UTF-8 with letters beyond ASCII (what Linux editors write; Cyrillic
// Windows-1251 text is practically never valid UTF-8). Section and key names compare
// without regard to letter case; the first section of a name and the first key of a name
// in it are the ones used.
class IniDocument
{
public:
    enum class Encoding
    {
        Cp1251,
        Utf8,
        Utf8WithSignature
    };

    // Longest value text a reader gets; longer values are cut.
    static constexpr int MaxValueLength = 2047;

    IniDocument() = default;
    static IniDocument fromBytes(QByteArrayView bytes);
    // In the encoding the document was read in; a document in Windows-1251 holding text
    // that code page cannot hold is written as UTF-8 with a byte-order mark instead, so
    // no letter is ever lost.
    QByteArray toBytes() const;
    Encoding encoding() const { return m_encoding; }
    // The encoding toBytes() writes.
    Encoding encodingForWriting() const;

    // Larger files are not settings files; reading one whole would only waste memory.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;
    // Reads a file; a missing file is an empty document. False with a reason when the
    // file exists but cannot be read.
    static bool readFile(const QString& path, IniDocument& doc, QString& error);
    // Replaces the file as a whole (temporary file and rename where the folder allows).
    bool writeFile(const QString& path, QString& error) const;

    bool hasSection(QStringView section) const;
    // The value after the first "=": blanks trimmed, one enclosing pair of double or
    // single quotes removed, at most MaxValueLength characters. nullopt for a missing key.
    std::optional<QString> value(QStringView section, QStringView key) const;
    // Key names of the first section of that name, in file order, without comment lines.
    QStringList keys(QStringView section) const;

    // Replaces the key's line, or adds it after the section's last key, or adds the
    // section at the end. The value is written so that value() gives it back: line
    // feeds become blanks, and a value with blanks at its ends or enclosed in quotes
    // is wrapped in double quotes.
    void setValue(QStringView section, QStringView key, QStringView value);
    // Removes every section of that name with all its lines.
    void eraseSection(QStringView section);

    static QString readValueText(QStringView raw);
    static QString writeValueText(QStringView value);

private:
    struct Line
    {
        enum Kind
        {
            Other,
            Section,
            Key
        };
        QString text;   // decoded, without the line end
        QByteArray eol; // "\r\n", "\n" or empty for a last line without one
        Kind kind = Other;
        QString name; // of a section or key line

        Line(QString lineText, QByteArray lineEnd);
    };
    struct Range
    {
        qsizetype header = -1; // index of the section line
        qsizetype end = -1;    // one past its last line
    };

    std::optional<Range> findSection(QStringView section) const;
    qsizetype findKey(const Range& range, QStringView key) const;
    QByteArray newLineEnd() const;
    QByteArray linesAs(Encoding encoding) const;

    Encoding m_encoding = Encoding::Cp1251;
    // A byte-order mark before Windows-1251 text, kept as it was.
    QByteArray m_signature;
    QList<Line> m_lines;
};

} // namespace kvizor
