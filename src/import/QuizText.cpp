#include "QuizText.h"

#include "CodePageText.h"
#include "richtext/Picture.h"
#include "richtext/RichText.h"

#include <QBuffer>
#include <QFont>
#include <QImageReader>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>

#include <vector>

namespace kvizor::quiz {
namespace {

const QString kPluginFile = QStringLiteral("@@PLUGINFILE@@");
// Indent of one list level, in pixels.
constexpr double kListIndent = 24;

// A document that takes its pictures only from the question's files and data: links; the
// default would read any local file a hostile text names.
class ImportDocument : public QTextDocument
{
public:
    ImportDocument(const QuizFiles& files, TextIssues& issues) : m_files(files), m_issues(issues)
    {
        // The size and face the program shows task texts in.
        setDefaultFont(QFont(QStringLiteral("Times New Roman"), 12));
    }

protected:
    QVariant loadResource(int type, const QUrl& name) override
    {
        if (type != QTextDocument::ImageResource)
            return {};
        const QString text = name.toString();
        QByteArray bytes;
        if (!findBytes(text, &bytes)) {
            note(m_issues.MissingPictures, shortName(text));
            return {};
        }
        QVariant picture = pictureOf(bytes);
        if (picture.isNull())
            note(m_issues.BrokenPictures, shortName(text));
        return picture;
    }

private:
    static void note(QStringList& list, const QString& item)
    {
        if (!list.contains(item))
            list.append(item);
    }

    static QString shortName(const QString& link)
    {
        if (link.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
            return link.left(32) + QStringLiteral("...");
        return link.size() > 200 ? link.left(200) + QStringLiteral("...") : link;
    }

    bool findBytes(const QString& link, QByteArray* bytes) const
    {
        if (link.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
            return dataLink(link, bytes);
        if (!link.startsWith(kPluginFile))
            return false;
        const QString path = QUrl::fromPercentEncoding(link.mid(kPluginFile.size()).toUtf8());
        for (const QuizFile& file : m_files) {
            QString folder = file.Path.isEmpty() ? QStringLiteral("/") : file.Path;
            if (!folder.endsWith(u'/'))
                folder += u'/';
            if (path == folder + file.Name || path == file.Name) {
                *bytes = file.Bytes;
                return true;
            }
        }
        return false;
    }

    static bool dataLink(const QString& link, QByteArray* bytes)
    {
        const qsizetype comma = link.indexOf(u',');
        if (comma < 0)
            return false;
        const QString head = link.left(comma);
        const QByteArray payload = link.mid(comma + 1).toLatin1();
        if (head.endsWith(QLatin1String(";base64"), Qt::CaseInsensitive)) {
            auto decoded = QByteArray::fromBase64Encoding(payload);
            if (!decoded)
                return false;
            *bytes = *decoded;
        } else {
            *bytes = QByteArray::fromPercentEncoding(payload);
        }
        return true;
    }

    // PNG and JPEG stay as their bytes (the RTF writer stores them so); other pictures are
    // decoded and stored as PNG. Pictures the program would refuse are left out.
    static QVariant pictureOf(const QByteArray& bytes)
    {
        const PictureFormat format = PictureFormatFromContent(bytes);
        if (format == PictureFormat::Png || format == PictureFormat::Jpeg) {
            QBuffer buffer;
            buffer.setData(bytes);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer);
            const QSize size = reader.size();
            if (!size.isValid() || size.width() > PictureLimits::kMaxSide ||
                size.height() > PictureLimits::kMaxSide)
                return {};
            return bytes;
        }
        const QImage image = DecodePicture(bytes, format);
        if (image.isNull())
            return {};
        return image;
    }

    const QuizFiles& m_files;
    TextIssues& m_issues;
};

bool isBlankChar(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// HTML without tags or entities is text whose blanks collapse to one space.
bool hasMarkup(const QString& html)
{
    return html.contains(u'<') || html.contains(u'&');
}

QString collapseBlanks(const QString& text)
{
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (const QChar c : text) {
        if (isBlankChar(c)) {
            blank = true;
            continue;
        }
        if (blank && !out.isEmpty())
            out += u' ';
        blank = false;
        out += c;
    }
    return out;
}

// Moodle's own format holds HTML when it has a tag or an entity; otherwise it is plain text.
bool looksLikeHtml(const QString& text)
{
    static const QRegularExpression markup(QStringLiteral(
        R"(<\s*/?\s*[A-Za-z][A-Za-z0-9]*(\s[^<>]*)?/?\s*>|&(#[0-9]+|#[xX][0-9A-Fa-f]+|[A-Za-z][A-Za-z0-9]*);)"));
    return markup.match(text).hasMatch();
}

enum class Kind
{
    Html,
    Plain,
    Markdown,
};

// The text and how to read it, with Moodle's own format resolved.
std::pair<Kind, QString> resolve(const QuizText& text)
{
    switch (text.Format) {
    case TextFormat::Plain:
        return {Kind::Plain, text.Text};
    case TextFormat::Markdown:
        return {Kind::Markdown, text.Text};
    case TextFormat::MoodleAuto:
        if (!looksLikeHtml(text.Text))
            return {Kind::Plain, text.Text};
        {
            QString html = text.Text;
            html.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            html.replace(u'\n', QStringLiteral("<br>\n"));
            return {Kind::Html, html};
        }
    case TextFormat::Html:
        break;
    }
    if (!hasMarkup(text.Text))
        return {Kind::Plain, collapseBlanks(text.Text)};
    return {Kind::Html, text.Text};
}

// Lists become their markers in the text and an indent: the RTF the program reads keeps
// list markers as text.
void flattenLists(QTextDocument& document)
{
    struct Item
    {
        int position;
        QString marker;
        int level;
    };
    std::vector<Item> items;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextList* list = block.textList();
        if (list == nullptr)
            continue;
        const QTextListFormat::Style style = list->format().style();
        const bool bullet = style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle ||
                            style == QTextListFormat::ListSquare;
        items.push_back({block.position(), bullet ? QStringLiteral("\u2022") : list->itemText(block),
                         std::max(1, list->format().indent())});
    }
    // From the end, so earlier positions stay valid while markers are inserted.
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        QTextCursor cursor(&document);
        cursor.setPosition(it->position);
        QTextBlock block = cursor.block();
        if (QTextList* list = block.textList())
            list->remove(block);
        QTextBlockFormat format = block.blockFormat();
        format.setIndent(0);
        format.setObjectIndex(-1);
        format.setLeftMargin(kListIndent * it->level);
        cursor.setBlockFormat(format);
        cursor.insertText(it->marker + u' ');
    }
}

QString documentRichText(ImportDocument& document)
{
    flattenLists(document);
    return GetRichText(&document, false);
}

QString singleLine(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c == u'\n' || c == u'\r' || c == u'\t' || c.unicode() == 0x2028 || c.unicode() == 0x2029)
            c = u' ';
    }
    return out.trimmed();
}

} // namespace

QString ToRichText(const QuizText& text, const QuizFiles& files, TextIssues& issues)
{
    if (text.isBlank())
        return {};
    const auto [kind, content] = resolve(text);
    if (kind == Kind::Plain) {
        const QString plain = content.trimmed();
        // Plain text is stored as it is unless the code page cannot hold it or it would read as RTF.
        if (FitsCodePage(plain) && !plain.startsWith(QLatin1String("{\\rtf")))
            return plain;
        ImportDocument document(files, issues);
        document.setPlainText(plain);
        return documentRichText(document);
    }
    ImportDocument document(files, issues);
    if (kind == Kind::Markdown)
        document.setMarkdown(content);
    else
        document.setHtml(content);
    return documentRichText(document);
}

QString PlainLineOf(const QuizText& text)
{
    const auto [kind, content] = resolve(text);
    if (kind == Kind::Plain)
        return singleLine(content);
    // No pictures are needed for plain text: the document asks for none it does not lay out.
    const QuizFiles none;
    TextIssues ignored;
    ImportDocument document(none, ignored);
    if (kind == Kind::Markdown)
        document.setMarkdown(content);
    else
        document.setHtml(content);
    return singleLine(DocumentToPlainText(&document));
}

QString ToPlainLine(const QuizText& text, TextIssues& issues)
{
    return ToCodePageText(PlainLineOf(text), &issues.LostCharacters);
}

} // namespace kvizor::quiz
