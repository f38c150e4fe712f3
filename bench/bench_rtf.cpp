// Reading RTF into a document against Qt's own HTML import of the same document (our
// result exported with toHtml() and read back with setHtml() into a fresh document).
#include "richtext/RtfReader.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

const char* const kWords[] = {"\\'ef\\'f0\\'e8\\'ec\\'e5\\'f0",
                              "\\'f2\\'e5\\'ea\\'f1\\'f2\\'e0",
                              "\\'e2\\'ee\\'ef\\'f0\\'ee\\'f1",
                              "\\'ee\\'f2\\'e2\\'e5\\'f2",
                              "\\'e7\\'e0\\'e4\\'e0\\'ed\\'e8\\'e5",
                              "\\'f2\\'e5\\'f1\\'f2",
                              "\\'f1\\'f2\\'f3\\'e4\\'e5\\'ed\\'f2",
                              "\\'e8",
                              "\\'ed\\'e0",
                              "\\'eb\\'e5\\'ea\\'f6\\'e8\\'ff"};

QByteArray header()
{
    return "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil\\fcharset204 Times New "
           "Roman;}"
           "{\\f1\\fnil\\fcharset0 Tahoma;}}\r\n{\\colortbl "
           ";\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
           "\\viewkind4\\uc1\\pard\\f0\\fs24 ";
}

QByteArray sentence(QRandomGenerator& random, int words)
{
    QByteArray out;
    for (int w = 0; w < words; ++w) {
        const int kind = int(random.bounded(12));
        const QByteArray word = kWords[random.bounded(10)];
        if (kind == 0)
            out += "{\\b " + word + "}";
        else if (kind == 1)
            out += "{\\i\\cf1 " + word + "}";
        else if (kind == 2)
            out += "\\f1 Latin\\f0 ";
        else
            out += word;
        out += ' ';
    }
    return out;
}

// About 200 KB of formatted Russian text with a 40-row table in the middle.
QByteArray formattedText()
{
    QRandomGenerator random(7);
    QByteArray out = header();
    while (out.size() < 100 * 1024)
        out += "\\pard\\qj\\fi360\\sb60 " + sentence(random, 25) + "\\par\r\n";
    for (int r = 0; r < 40; ++r) {
        out += "\\trowd\\trgaph108\\clcbpat2\\cellx2000\\cellx4000\\cellx6000\\cellx8000\r\n";
        for (int c = 0; c < 4; ++c)
            out += "\\pard\\intbl " + sentence(random, 3) + "\\cell ";
        out += "\\row\r\n";
    }
    while (out.size() < 200 * 1024)
        out += "\\pard\\li720\\fi-360{\\pntext\\f0 1.\\tab}" + sentence(random, 20) + "\\par\r\n";
    return out + "}";
}

// About 2 MB: text around a PNG of noise whose hex takes 1.5 MB.
QByteArray pictureDocument()
{
    QRandomGenerator random(11);
    QImage image(440, 440, QImage::Format_RGB888);
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < image.width() * 3; ++x)
            line[x] = uchar(random.bounded(256));
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    QByteArray out = header();
    while (out.size() < 250 * 1024)
        out += sentence(random, 25) + "\\par\r\n";
    out += "{\\pict\\pngblip\\picw440\\pich440\\picwgoal6600\\pichgoal6600\r\n";
    const QByteArray hex = png.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128)
        out += hex.mid(i, 128) + "\r\n";
    out += "}\\par\r\n";
    while (out.size() < 2 * 1024 * 1024)
        out += sentence(random, 25) + "\\par\r\n";
    return out + "}";
}

// HTML of the document with its pictures inlined, so both readers get all the data.
QString htmlOf(const QTextDocument& document)
{
    QString html = document.toHtml();
    static const QRegularExpression source(QStringLiteral("src=\"(rtfpicture:[0-9]+)\""));
    QRegularExpressionMatch m;
    while ((m = source.match(html)).hasMatch()) {
        const QImage image =
            document.resource(QTextDocument::ImageResource, QUrl(m.captured(1))).value<QImage>();
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        html.replace(m.capturedStart(), m.capturedLength(),
                     QStringLiteral("src=\"data:image/png;base64,") + QString::fromLatin1(png.toBase64()) +
                         u'"');
    }
    return html;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct Timing
{
    double wall;
    double cpu;
};

// Median wall-clock and CPU time; CPU time stays meaningful on a busy machine.
Timing timeMs(const std::function<void()>& run, int repeats)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer clock;
        clock.start();
        const double cpuStart = cpuMs();
        run();
        cpu.push_back(cpuMs() - cpuStart);
        wall.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    return {median(wall), median(cpu)};
}

bool g_rtfOnly = false;

void compare(const char* name, const QByteArray& rtf, int repeats)
{
    QTextDocument reference;
    kvizor::ReadRtf(rtf, &reference);
    const QString html = htmlOf(reference);
    const Timing ours = timeMs(
        [&] {
            QTextDocument document;
            kvizor::ReadRtf(rtf, &document);
        },
        repeats);
    if (g_rtfOnly) {
        std::printf("%-34s ReadRtf %8.2f ms wall %8.2f ms CPU\n", name, ours.wall, ours.cpu);
        return;
    }
    const Timing qt = timeMs(
        [&] {
            QTextDocument document;
            document.setHtml(html);
        },
        repeats);
    std::printf(
        "%s\n  RTF  %5.0f KB  ReadRtf  %8.2f ms wall %8.2f ms CPU\n"
        "  HTML %5.0f KB  setHtml  %8.2f ms wall %8.2f ms CPU\n  ReadRtf / setHtml: %.2f wall, %.2f CPU\n",
        name, rtf.size() / 1024.0, ours.wall, ours.cpu, html.toUtf8().size() / 1024.0, qt.wall, qt.cpu,
        ours.wall / qt.wall, ours.cpu / qt.cpu);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    // --rtf-only times the reader alone, for profiling.
    g_rtfOnly = app.arguments().contains(QStringLiteral("--rtf-only"));
    std::printf("median of repeated runs, one process\n");
    compare("200 KB Russian text with a table", formattedText(), 21);
    compare("2 MB with a 1.5 MB hex picture", pictureDocument(), 11);
    return 0;
}
