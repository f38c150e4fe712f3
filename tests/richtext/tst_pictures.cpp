#include "richtext/IsolatedCall.h"
#include "richtext/Metafile.h"
#include "richtext/Picture.h"
#include "richtext/WmfFonts.h"
#include "Samples.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using namespace kvizor;

class TestPictures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void jpegPluginPresent();
    void loadByExtension_data();
    void loadByExtension();
    void failures_data();
    void failures();
    void wmfSanitizer();
    void emfRecords_data();
    void emfRecords();
    void emfSanitizer();
    void emfBitmap();
    void isolatedCall_data();
    void isolatedCall();
    void isolatedChildEndedWithItsOwner();
    void metafileInProcess();
    void wmfText();
    void wmfFaces_data();
    void wmfFaces();
    void wmfCyrillicMeasured();
    void wmfFontsOnlyFromGivenFolders();
    void wmfShapesWithoutFonts();
    void metafilesUnderDecimalComma();
    void emfText();
    void dibHeader();

private:
    QString write(const QString& name, const QByteArray& data)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            return {};
        return path;
    }
    QTemporaryDir m_dir;
};

void TestPictures::jpegPluginPresent()
{
    QVERIFY(QImageReader::supportedImageFormats().contains("jpeg"));
    QVERIFY(QImageReader::supportedImageFormats().contains("ico"));
    QVERIFY(QImageReader::supportedImageFormats().contains("gif"));
}

void TestPictures::loadByExtension_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QColor>("leftColor");

    const QImage image = samples::testImage(40, 20);
    QTest::newRow("bmp") << "a.bmp" << samples::bmp(image) << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("ico") << "a.ico" << samples::ico(samples::testImage(32, 32)) << QSize(32, 32)
                         << QColor(Qt::red);
    QTest::newRow("gif") << "a.GIF" << samples::gif(image) << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("png") << "a.png" << samples::png(image) << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("jpeg") << "a.jpg" << samples::jpeg(image) << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("jpeg long suffix") << "a.jpeg" << samples::jpeg(image) << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("wmf placeable") << "a.wmf" << samples::placeable(samples::wmfVector(), 100, 50)
                                   << QSize(100, 50) << QColor(0, 128, 0);
    QTest::newRow("wmf bitmap") << "b.wmf" << samples::placeable(samples::wmfBitmap(image), 40, 20)
                                << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("emf") << "a.emf" << samples::emfVector() << QSize(100, 50) << QColor(0, 0, 255);
    QTest::newRow("wrong extension") << "png-named.bmp" << samples::png(image) << QSize(40, 20)
                                     << QColor(Qt::red);
}

void TestPictures::loadByExtension()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(QSize, size);
    QFETCH(QColor, leftColor);
    const QString path = write(name, data);
    QVERIFY(!path.isEmpty());
    QString error;
    const QImage image = LoadPictureFile(path, &error);
    QVERIFY2(!image.isNull(), qPrintable(error));
    QVERIFY2(qAbs(image.width() - size.width()) <= 1 && qAbs(image.height() - size.height()) <= 1,
             qPrintable(QStringLiteral("%1x%2").arg(image.width()).arg(image.height())));
    const QColor c = image.pixelColor(3, image.height() / 2);
    QVERIFY2(qAbs(c.red() - leftColor.red()) < 40 && qAbs(c.green() - leftColor.green()) < 40 &&
                 qAbs(c.blue() - leftColor.blue()) < 40,
             qPrintable(c.name()));
}

void TestPictures::failures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("garbage png") << "g.png" << QByteArray("\x89PNG\r\n\x1a\nnot really");
    QTest::newRow("empty bmp") << "e.bmp" << QByteArray();
    QTest::newRow("truncated jpeg") << "t.jpg" << samples::jpeg(samples::testImage(40, 20)).left(20);
    QTest::newRow("garbage wmf") << "g.wmf" << QByteArray(200, '\x55');
    QTest::newRow("garbage emf") << "g.emf" << QByteArray(200, '\x01');
    QByteArray huge = samples::bmp(samples::testImage(4, 4));
    qToLittleEndian<qint32>(200000, huge.data() + 18);
    qToLittleEndian<qint32>(200000, huge.data() + 22);
    QTest::newRow("bitmap claiming a huge size") << "h.bmp" << huge;
    QByteArray wmfJunk = samples::wmfVector();
    for (qsizetype i = 18; i < wmfJunk.size(); ++i)
        wmfJunk[i] = char(0xFF);
    QTest::newRow("wmf header with junk records") << "j.wmf" << wmfJunk;
}

void TestPictures::failures()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    const QString path = write(name, data);
    QString error;
    const QImage image = LoadPictureFile(path, &error);
    QVERIFY(image.isNull());
    QVERIFY(!error.isEmpty());
    QVERIFY(LoadPictureFile(m_dir.filePath(QStringLiteral("missing.png")), &error).isNull());
}

void TestPictures::wmfSanitizer()
{
    const QByteArray wmf = samples::wmfVector();
    QCOMPARE(metafile::SanitizeWmf(wmf), wmf);
    // A cut record is dropped and an end record added; the header describes the result.
    const QByteArray cut = wmf.left(wmf.size() - 10);
    const QByteArray sane = metafile::SanitizeWmf(cut);
    QVERIFY(!sane.isEmpty());
    QVERIFY(sane.endsWith(QByteArray("\x03\0\0\0\0\0", 6)));
    QCOMPARE(qFromLittleEndian<quint32>(sane.constData() + 6), quint32(sane.size() / 2));
    QString error;
    QVERIFY(metafile::SanitizeWmf(QByteArray("\x01\0\x09", 3), &error).isEmpty());
    QVERIFY(!error.isEmpty());
    QVERIFY(metafile::SanitizeWmf(QByteArray(18, '\0')).isEmpty());
    QVERIFY(!metafile::RenderWmf(cut, {}).isNull());

    // A bitmap whose pixel names no colour of its short table is left out.
    const QByteArray bitmap =
        samples::wmfBitmap(samples::testImage(8, 4).convertToFormat(QImage::Format_Indexed8));
    const qsizetype dibAt = 18 + 8 + 10 + 10 + 28; // header, three records, STRETCHDIB's fields
    const quint32 colors = qFromLittleEndian<quint32>(bitmap.constData() + dibAt + 32);
    QVERIFY(colors > 0 && colors < 256);
    QCOMPARE(metafile::SanitizeWmf(bitmap), bitmap);
    QByteArray wrong = bitmap;
    wrong[dibAt + 40 + colors * 4] = char(colors);
    QVERIFY(metafile::SanitizeWmf(wrong).size() < bitmap.size());
}

namespace {

QList<quint32> recordTypes(const QByteArray& emf)
{
    QList<quint32> types;
    for (qsizetype at = qFromLittleEndian<quint32>(emf.constData() + 4); at + 8 <= emf.size();) {
        types << qFromLittleEndian<quint32>(emf.constData() + at);
        at += qFromLittleEndian<quint32>(emf.constData() + at + 4);
    }
    return types;
}

QByteArray withField(QByteArray data, qsizetype at, quint32 value)
{
    qToLittleEndian<quint32>(value, data.data() + at);
    return data;
}

} // namespace

void TestPictures::emfRecords_data()
{
    using samples::emfOf;
    using samples::emfRecord;
    QTest::addColumn<QByteArray>("emf");
    QTest::addColumn<QList<quint32>>("kept");

    const QByteArray bitmap = samples::emfBitmap(samples::testImage(8, 4));
    const qsizetype stretch = 88; // the bitmap record
    const QList<quint32> bounds{0, 0, 10, 10};
    QTest::newRow("vector") << samples::emfVector() << QList<quint32>{17, 39, 37, 43, 37, 42, 40, 14};
    QTest::newRow("bitmap") << bitmap << QList<quint32>{81, 14};
    QTest::newRow("bitmap pixels past the record")
        << withField(bitmap, stretch + 60, 4096) << QList<quint32>{14};
    QTest::newRow("bitmap header longer than given")
        << withField(bitmap, stretch + 52, 12) << QList<quint32>{14};
    QTest::newRow("bitmap header past the record")
        << withField(bitmap, stretch + 48, 0x7FFFFFF0) << QList<quint32>{14};
    const QImage indexed = samples::testImage(8, 4).convertToFormat(QImage::Format_Indexed8);
    const QByteArray paletted = samples::emfBitmap(indexed);
    const qsizetype pixelsAt = stretch + qFromLittleEndian<quint32>(paletted.constData() + stretch + 56);
    QTest::newRow("bitmap with a short colour table") << paletted << QList<quint32>{81, 14};
    QTest::newRow("bitmap pixel naming no colour of its table")
        << withField(paletted, pixelsAt, 0x02020202) << QList<quint32>{14};
    QTest::newRow("bitmap brush shorter than its structure")
        << emfOf({emfRecord(93, {1})}) << QList<quint32>{14};
    QTest::newRow("bitmap brush without a bitmap")
        << emfOf({emfRecord(94, {1, 0, 0, 0, 0, 0})}) << QList<quint32>{14};
    QTest::newRow("object made outside the table")
        << emfOf({emfRecord(39, {2, 0, 0, 0})}, 2) << QList<quint32>{14};
    QTest::newRow("object selected outside the table, stock object")
        << emfOf({emfRecord(37, {7}), emfRecord(37, {0x80000004})}, 2) << QList<quint32>{37, 14};
    QTest::newRow("polygon") << emfOf({emfRecord(3, bounds + QList<quint32>{2, 0, 0, 5, 5})})
                             << QList<quint32>{3, 14};
    QTest::newRow("polygon counting more points than it has")
        << emfOf({emfRecord(3, bounds + QList<quint32>{3, 0, 0, 5, 5})}) << QList<quint32>{14};
    QTest::newRow("polygons counting more points than there are")
        << emfOf({emfRecord(8, bounds + QList<quint32>{1, 2, 3, 0, 0, 5, 5})}) << QList<quint32>{14};
    QTest::newRow("gradient corner naming no vertex")
        << emfOf({emfRecord(118, bounds + QList<quint32>{1, 1, 0, 0, 0, 0, 0, 0, 5})}) << QList<quint32>{14};
    QTest::newRow("clip region with rectangles past it")
        << emfOf({emfRecord(75, {48, 5, 32, 1, 2, 32, 0, 0, 1, 1, 0, 0, 1, 1})}) << QList<quint32>{14};
    QTest::newRow("clip region reset") << emfOf({emfRecord(75, {0, 5})}) << QList<quint32>{75, 14};
    QTest::newRow("records without parameters")
        << emfOf({emfRecord(59, {}), emfRecord(60, {})}) << QList<quint32>{59, 60, 14};
    QTest::newRow("comment") << emfOf({emfRecord(70, {4, 0x2B464D45})}) << QList<quint32>{14};
    QTest::newRow("unknown kind") << emfOf({emfRecord(69, {}), emfRecord(123, {})}) << QList<quint32>{14};
    QTest::newRow("record claiming more than the file")
        << withField(samples::emfVector(), 88 + 4, 0x7FFFFFF0) << QList<quint32>{14};
}

void TestPictures::emfRecords()
{
    QFETCH(QByteArray, emf);
    QFETCH(QList<quint32>, kept);
    const QByteArray sane = metafile::SanitizeEmf(emf);
    QCOMPARE(recordTypes(sane), kept);
    QCOMPARE(qFromLittleEndian<quint32>(sane.constData() + 48), quint32(sane.size()));
    QCOMPARE(qFromLittleEndian<quint32>(sane.constData() + 52), quint32(kept.size() + 1));
}

void TestPictures::emfSanitizer()
{
    const QByteArray emf = samples::emfVector();
    const QByteArray sane = metafile::SanitizeEmf(emf);
    // The header loses its description and pixel format and gains the micrometre size.
    QCOMPARE(qFromLittleEndian<quint32>(sane.constData() + 4), 108u);
    QCOMPARE(sane.mid(108), emf.mid(88));
    QCOMPARE(qFromLittleEndian<quint32>(sane.constData() + 100), 271000u);
    const QByteArray described = withField(withField(emf, 60, 1000), 64, 0x7FFFFFF0);
    QCOMPARE(metafile::SanitizeEmf(described), sane);

    // A short font record is given the whole structure the converter reads.
    const QByteArray font =
        metafile::SanitizeEmf(samples::emfOf({samples::emfRecord(82, {1}, QByteArray(92, 'x'))}));
    QCOMPARE(recordTypes(font), (QList<quint32>{82, 14}));
    QCOMPARE(qFromLittleEndian<quint32>(font.constData() + 108 + 4), 332u);

    QString error;
    QVERIFY(metafile::SanitizeEmf(withField(emf, 16, 0), &error).isEmpty()); // empty bounds
    QVERIFY(!error.isEmpty());
    QVERIFY(metafile::SanitizeEmf(emf.left(60)).isEmpty());
}

void TestPictures::emfBitmap()
{
    const QByteArray emf = samples::emfBitmap(samples::testImage(100, 50)); // fills the picture
    for (const bool isolated : {true, false}) {
        metafile::SetIsolation(isolated);
        QString error;
        const QImage image = metafile::RenderEmf(emf, QSize(80, 40), &error);
        metafile::SetIsolation(true);
        QVERIFY2(!image.isNull(), qPrintable(error));
        QCOMPARE(QColor(image.pixel(10, 20)), QColor(Qt::red));
        QCOMPARE(QColor(image.pixel(70, 20)), QColor(Qt::blue));
    }
}

namespace {

// What the isolated child does.
enum ChildWork
{
    Answer,
    LargestAnswer,
    TooLarge,
    Nothing,
    Crash,
    Hang
};

} // namespace

void TestPictures::isolatedCall_data()
{
    QTest::addColumn<int>("work");
    QTest::addColumn<bool>("answers");
    // Waiting for the answer, or collecting it from the event loop as it arrives.
    QTest::addColumn<bool>("fromEventLoop");
    for (const bool fromEventLoop : {false, true}) {
        const char* how = fromEventLoop ? ", from the event loop" : "";
        QTest::addRow("answer%s", how) << int(Answer) << true << fromEventLoop;
        QTest::addRow("answer as large as allowed%s", how) << int(LargestAnswer) << true << fromEventLoop;
        QTest::addRow("answer too large%s", how) << int(TooLarge) << false << fromEventLoop;
        QTest::addRow("no answer%s", how) << int(Nothing) << false << fromEventLoop;
        QTest::addRow("crash%s", how) << int(Crash) << false << fromEventLoop;
        QTest::addRow("hang past the time bound%s", how) << int(Hang) << false << fromEventLoop;
    }
}

void TestPictures::isolatedCall()
{
    QFETCH(int, work);
    QFETCH(bool, answers);
    constexpr qsizetype maxBytes = 100000;
    const auto run = [work]() -> QByteArray {
        switch (work) {
        case Answer:
            return "picture";
        case LargestAnswer:
            return QByteArray(maxBytes, 'x');
        case TooLarge:
            return QByteArray(maxBytes + 10, 'x');
        case Crash:
            std::abort();
        case Hang:
            ::sleep(30);
            return "late";
        default:
            return {};
        }
    };
    QFETCH(bool, fromEventLoop);
    QString error;
    QByteArray answer;
    if (fromEventLoop) {
        // As the picture cache does it: a notifier on the answer and a timer for the bound.
        metafile::IsolatedChild child(run, 1, maxBytes);
        QEventLoop loop;
        QSocketNotifier notifier(child.answerFd(), QSocketNotifier::Read);
        QTimer bound;
        bound.setSingleShot(true);
        const auto collect = [&] {
            if (child.readAvailable())
                loop.quit();
        };
        QObject::connect(&notifier, &QSocketNotifier::activated, collect);
        QObject::connect(&bound, &QTimer::timeout, collect);
        bound.start(child.millisecondsLeft() + 10);
        loop.exec();
        notifier.setEnabled(false);
        QCOMPARE(child.answerFd(), -1);
        answer = child.finish(&error);
    } else {
        answer = metafile::CallIsolated(run, 1, maxBytes, &error);
    }
    QCOMPARE(!answer.isEmpty(), answers);
    QCOMPARE(error.isEmpty(), answers);
    if (work == Answer)
        QCOMPARE(answer, QByteArray("picture"));
}

void TestPictures::isolatedChildEndedWithItsOwner()
{
    pid_t pid = -1;
    {
        metafile::IsolatedChild child(
            [] {
                ::sleep(30);
                return QByteArray("late");
            },
            10, 100);
        pid = child.pid();
        QVERIFY(pid > 0);
        QVERIFY(!child.readAvailable());
    }
    // Killed and reaped: no such process any more, not even a zombie.
    QCOMPARE(::kill(pid, 0), -1);
    QCOMPARE(errno, ESRCH);
}

void TestPictures::metafileInProcess()
{
    // The in-process road gives the same picture as the isolated one.
    metafile::SetIsolation(false);
    const QImage wmf = metafile::RenderWmf(samples::wmfVector(), QSize(100, 50));
    const QImage emf = metafile::RenderEmf(samples::emfVector(), QSize(100, 50));
    metafile::SetIsolation(true);
    QVERIFY(!wmf.isNull());
    QVERIFY(!emf.isNull());
    QCOMPARE(metafile::RenderWmf(samples::wmfVector(), QSize(100, 50)), wmf);
    QCOMPARE(metafile::RenderEmf(samples::emfVector(), QSize(100, 50)), emf);
}

void TestPictures::wmfText()
{
    // libwmf copies text into its SVG unescaped and in the font's code page.
    for (const QByteArray& text : {QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2"), QByteArray("a<b&c\"d>")}) {
        QString error;
        const QImage image = metafile::RenderWmf(samples::wmfText(text), QSize(200, 50), &error);
        QVERIFY2(!image.isNull(), qPrintable(error));
        int dark = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                dark += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        }
        QVERIFY(dark > 50);
    }
}

namespace {

QByteArray wmfSvg(const QByteArray& wmf)
{
    QString error;
    const QByteArray svg = metafile::WmfToSvg(metafile::SanitizeWmf(wmf), &error);
    if (svg.isEmpty())
        qWarning("%s", qPrintable(error));
    return svg;
}

int svgWidth(const QByteArray& svg)
{
    const qsizetype at = svg.indexOf("<svg width=\"");
    return at < 0 ? -1 : svg.mid(at + 12, svg.indexOf('"', at + 12) - at - 12).toInt();
}

int darkPixels(const QImage& image)
{
    int dark = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            dark += qAlpha(image.pixel(x, y)) > 128 && qGray(image.pixel(x, y)) < 64 ? 1 : 0;
    }
    return dark;
}

// Metafile text looks for its fonts in the given folders for the length of a test.
struct FontFolders
{
    explicit FontFolders(const QStringList& folders) { metafile::SetFontFolders(folders); }
    ~FontFolders() { metafile::SetFontFolders({}); }
    FontFolders(const FontFolders&) = delete;
    FontFolders& operator=(const FontFolders&) = delete;
};

} // namespace

void TestPictures::wmfFaces_data()
{
    QTest::addColumn<QByteArray>("face");
    QTest::addColumn<int>("weight");
    QTest::addColumn<QByteArray>("family");

    QTest::newRow("Arial") << QByteArray("Arial") << 400 << QByteArray("Liberation Sans");
    QTest::newRow("Arial Cyr, bold") << QByteArray("Arial Cyr") << 700 << QByteArray("Liberation Sans");
    QTest::newRow("letter case") << QByteArray("ARIAL") << 400 << QByteArray("Liberation Sans");
    QTest::newRow("Times New Roman") << QByteArray("Times New Roman") << 400
                                     << QByteArray("Liberation Serif");
    QTest::newRow("Times New Roman Cyr")
        << QByteArray("Times New Roman Cyr") << 400 << QByteArray("Liberation Serif");
    QTest::newRow("Courier New, bold") << QByteArray("Courier New") << 700 << QByteArray("Liberation Mono");
    QTest::newRow("Tahoma") << QByteArray("Tahoma") << 400 << QByteArray("DejaVu Sans");
    QTest::newRow("Comic Sans MS") << QByteArray("Comic Sans MS") << 400 << QByteArray("DejaVu Sans");
    QTest::newRow("Wingdings") << QByteArray("Wingdings") << 400 << QByteArray("DejaVu Sans");
    QTest::newRow("no face name") << QByteArray() << 400 << QByteArray("DejaVu Sans");
}

void TestPictures::wmfFaces()
{
    // Arial, Times New Roman and Courier New get their metric twins, others DejaVu.
    QFETCH(QByteArray, face);
    QFETCH(int, weight);
    QFETCH(QByteArray, family);
    const QByteArray svg = wmfSvg(samples::wmfTextIn(face, "Text", weight));
    QVERIFY(svg.contains("font-family:" + family + ";"));
    QCOMPARE(svg.contains("font-weight:bold"), weight > 550);
    QVERIFY(svgWidth(svg) > 0);
}

void TestPictures::wmfCyrillicMeasured()
{
    // Letters above 0x7F have widths too: a Cyrillic word is about as wide as a Latin one.
    const int cyrillic = svgWidth(wmfSvg(samples::wmfTextIn("Arial", "\xcf\xf0\xe8\xe2\xe5\xf2")));
    const int latin = svgWidth(wmfSvg(samples::wmfTextIn("Arial", "Privet")));
    QVERIFY2(latin > 0, qPrintable(QString::number(latin)));
    QVERIFY2(cyrillic > latin * 3 / 4 && cyrillic < latin * 3 / 2,
             qPrintable(QStringLiteral("%1 vs %2").arg(cyrillic).arg(latin)));
}

void TestPictures::wmfFontsOnlyFromGivenFolders()
{
    // A folder holding one Liberation font, and no URW font anywhere in reach: text in
    // Arial is measured and drawn with it, and so is text in a face without a file.
    const metafile::WmfFontSet system(metafile::DefaultFontFolders());
    const QString liberation = system.choices().constFirst().file;
    QVERIFY2(liberation.endsWith(u"LiberationSans-Regular.ttf"), qPrintable(liberation));
    QTemporaryDir fonts;
    QVERIFY(QFile::link(liberation, fonts.filePath(QStringLiteral("LiberationSans-Regular.ttf"))));
    const FontFolders only({fonts.path()});

    const metafile::WmfFontSet set({fonts.path()});
    for (const metafile::WmfFontChoice& choice : set.choices())
        QCOMPARE(choice.file, fonts.filePath(QStringLiteral("LiberationSans-Regular.ttf")));

    const QByteArray wmf = samples::wmfTextIn("Arial", "Hello");
    QVERIFY(wmfSvg(wmf).contains("font-family:Liberation Sans;"));
    QString error;
    const QImage image = metafile::RenderWmf(wmf, QSize(200, 50), &error);
    QVERIFY2(!image.isNull(), qPrintable(error));
    QVERIFY(darkPixels(image) > 50);
    QVERIFY2(
        !metafile::RenderWmf(samples::wmfTextIn("Times New Roman", "Hello"), QSize(200, 50), &error).isNull(),
        qPrintable(error));
}

void TestPictures::wmfShapesWithoutFonts()
{
    QTemporaryDir empty;
    const FontFolders none({empty.path()});
    QString error;
    const QImage image = metafile::RenderWmf(
        samples::wmfTextIn("Arial", "\xcf\xf0\xe8\xe2\xe5\xf2", 400, false, true), QSize(200, 50), &error);
    QVERIFY2(!image.isNull(), qPrintable(error));
    const QColor box = image.pixelColor(image.width() / 8, image.height() / 2);
    QVERIFY2(box.green() > 100 && box.red() < 50, qPrintable(box.name()));
}

void TestPictures::metafilesUnderDecimalComma()
{
    // A Russian desktop prints numbers with a decimal comma; the converters print their
    // SVG with printf, so pictures must come out the same there.
    QTemporaryDir dir;
    QFile source(dir.filePath(QStringLiteral("comma")));
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.write("LC_CTYPE\ncopy \"POSIX\"\nEND LC_CTYPE\n"
                 "LC_NUMERIC\ndecimal_point \"<U002C>\"\nthousands_sep \"\"\ngrouping -1\nEND LC_NUMERIC\n");
    source.close();
    QProcess localedef;
    localedef.start(QStringLiteral("localedef"),
                    {QStringLiteral("-c"), QStringLiteral("-i"), source.fileName(), QStringLiteral("-f"),
                     QStringLiteral("UTF-8"), dir.filePath(QStringLiteral("comma.UTF-8"))});
    QVERIFY(localedef.waitForFinished(20000));
    // Only while the locale loads: leak checkers report glibc's copies of LOCPATH.
    qputenv("LOCPATH", QFile::encodeName(dir.path()));
    const QByteArray oldNumeric = std::setlocale(LC_NUMERIC, nullptr);
    const bool comma = std::setlocale(LC_NUMERIC, "comma.UTF-8") != nullptr;
    qunsetenv("LOCPATH");
    char printed[16] = {};
    std::snprintf(printed, sizeof printed, "%.1f", 1.5);

    QList<QImage> images;
    for (const bool isolated : {true, false}) {
        metafile::SetIsolation(isolated);
        images << metafile::RenderWmf(samples::wmfVector(), QSize(100, 50))
               << metafile::RenderEmf(samples::emfVector(), QSize(100, 50));
    }
    metafile::SetIsolation(true);
    std::setlocale(LC_NUMERIC, oldNumeric.constData());

    QVERIFY2(comma && QByteArray(printed) == "1,5", localedef.readAllStandardError().constData());
    for (const QImage& image : images) {
        QVERIFY(!image.isNull());
        const QColor fill = image.pixelColor(5, 5);
        QVERIFY2(fill.alpha() > 200 && (fill.green() > 100 || fill.blue() > 200), qPrintable(fill.name()));
    }
}

void TestPictures::emfText()
{
    QString error;
    const QImage image =
        metafile::RenderEmf(samples::emfText(QStringLiteral("Привет <&>")), QSize(100, 50), &error);
    QVERIFY2(!image.isNull(), qPrintable(error));
}

void TestPictures::dibHeader()
{
    const QImage image = samples::testImage(8, 4);
    const QByteArray bmp = samples::bmp(image);
    QCOMPARE(DibToBmp(bmp.mid(14)), bmp.left(14) + bmp.mid(14));
    QImage indexed = image.convertToFormat(QImage::Format_Indexed8);
    QByteArray data;
    {
        QBuffer b(&data);
        b.open(QIODevice::WriteOnly);
        indexed.save(&b, "BMP");
    }
    QCOMPARE(DibToBmp(data.mid(14)).mid(10, 4), data.mid(10, 4));
    QVERIFY(DibToBmp(QByteArray(8, '\0')).isEmpty());
    QVERIFY(DibToBmp(QByteArray(40, '\x7F')).isEmpty());
}

KVIZOR_TEST_MAIN(TestPictures)
#include "tst_pictures.moc"
