#include "CmdRtf.h"

#include "common/Cp1251.h"
#include "richtext/Picture.h"
#include "richtext/RichText.h"
#include "richtext/RtfReader.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

namespace {

void print(FILE* stream, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, std::size_t(utf8.size()), stream);
}

int usage()
{
    print(stderr, QStringLiteral("usage: kvf rtf --plain FILE | --html FILE\n"));
    return 2;
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

int runRtf(const QStringList& args)
{
    if (args.size() != 2 || (args[0] != QLatin1String("--plain") && args[0] != QLatin1String("--html")))
        return usage();
    QFile file(args[1]);
    if (!file.open(QIODevice::ReadOnly)) {
        print(stderr, QStringLiteral("kvf: cannot open %1: %2\n").arg(args[1], file.errorString()));
        return 1;
    }
    if (file.size() > kvizor::PictureLimits::kMaxFileBytes * 4) {
        print(stderr, QStringLiteral("kvf: %1 is too large\n").arg(args[1]));
        return 1;
    }
    const QByteArray bytes = file.readAll();
    const QString text = kvizor::cp1251::decode(bytes);
    if (args[0] == QLatin1String("--plain")) {
        print(stdout, kvizor::RtfToPlainText(text) + u'\n');
        return 0;
    }
    QTextDocument document;
    if (kvizor::IsRtf(bytes)) {
        const kvizor::RtfReadStats stats = kvizor::ReadRtf(bytes, &document);
        if (stats.pictureErrors > 0)
            print(stderr,
                  QStringLiteral("kvf: %1 picture(s) could not be decoded\n").arg(stats.pictureErrors));
    } else {
        document.setPlainText(text);
    }
    print(stdout, inlinePictures(document.toHtml(), document));
    return 0;
}
