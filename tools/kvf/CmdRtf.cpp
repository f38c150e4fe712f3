#include "Commands.h"

#include "common/Cp1251.h"
#include "richtext/Picture.h"
#include "richtext/RichText.h"
#include "richtext/RtfReader.h"

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

namespace kvizor::kvf {
namespace {

int usage()
{
    printError(QStringLiteral("usage: kvf rtf --plain FILE | kvf rtf --html FILE"));
    return 1;
}

// Replaces the document's own picture names by data URLs so the HTML shows them anywhere.
QString inlinePictures(const QString& html, const QTextDocument& document)
{
    static const QRegularExpression source(QStringLiteral("src=\"(rtfpicture:[0-9]+)\""));
    QString out;
    qsizetype last = 0;
    auto it = source.globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(html).mid(last, m.capturedStart() - last);
        const QImage image =
            document.resource(QTextDocument::ImageResource, QUrl(m.captured(1))).value<QImage>();
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        out += QStringLiteral("src=\"data:image/png;base64,") + QString::fromLatin1(png.toBase64()) + u'"';
        last = m.capturedEnd();
    }
    out += QStringView(html).mid(last);
    return out;
}

} // namespace

// The plain text or the document (as Qt exports it, pictures inlined) that the program makes
// of a rich-text file. Metafile pictures are drawn with fonts: main() gives this subcommand
// a GUI application.
int runRtf(const QStringList& args)
{
    if (args.size() != 2 || (args[0] != QLatin1String("--plain") && args[0] != QLatin1String("--html")))
        return usage();
    QFile file(args[1]);
    if (!file.open(QIODevice::ReadOnly)) {
        printError(QStringLiteral("kvf: cannot open %1: %2").arg(args[1], file.errorString()));
        return 2;
    }
    if (file.size() > PictureLimits::kMaxFileBytes * 4) {
        printError(QStringLiteral("kvf: %1 is too large").arg(args[1]));
        return 2;
    }
    const QByteArray bytes = file.readAll();
    const QString text = cp1251::decode(bytes);
    if (args[0] == QLatin1String("--plain")) {
        printOut(RtfToPlainText(text));
        return 0;
    }
    QTextDocument document;
    // The look of the program's text controls.
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSize(12);
    document.setDefaultFont(font);
    if (IsRtf(bytes)) {
        const RtfReadStats stats = ReadRtf(bytes, &document);
        if (stats.pictureErrors > 0)
            printError(QStringLiteral("kvf: %1 picture(s) could not be decoded").arg(stats.pictureErrors));
    } else {
        document.setPlainText(text);
    }
    printOut(inlinePictures(document.toHtml(), document));
    return 0;
}

} // namespace kvizor::kvf
