#include "common/Cp1251.h"
#include "richtext/DocumentZoom.h"
#include "richtext/RichText.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"
#include "Samples.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

using namespace kvizor;

namespace {

// A rich-edit style header: Cyrillic in a \fcharset204 font, Latin in a \fcharset0 one.
const QByteArray kHeader =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049{\\fonttbl{\\f0\\fnil\\fcharset204 "
    "Times New Roman;}{\\f1\\fnil\\fcharset0 Tahoma;}{\\f2\\fnil\\fcharset2 Symbol;}}\r\n"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green128\\blue0;\\red255\\green255\\blue0;}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs24 ";

QByteArray rtf(const QByteArray& body)
{
    return kHeader + body + "\\par\r\n}\r\n";
}

QString plainOf(const QByteArray& data)
{
    return RtfToPlainText(cp1251::decode(data));
}

struct Doc
{
    QTextDocument document;
    RtfReadStats stats;
    explicit Doc(const QByteArray& data) { stats = ReadRtf(data, &document); }

    // Character format of the first occurrence of the text.
    QTextCharFormat formatAt(const QString& text) const
    {
        const QTextCursor found = document.find(text);
        if (found.isNull())
            return {};
        QTextCursor c(const_cast<QTextDocument*>(&document));
        c.setPosition(found.selectionStart() + 1);
        return c.charFormat();
    }
    QTextBlockFormat blockAt(const QString& text) const { return document.find(text).blockFormat(); }
    QList<QTextImageFormat> images() const
    {
        QList<QTextImageFormat> out;
        for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                if (it.fragment().charFormat().isImageFormat())
                    out.append(it.fragment().charFormat().toImageFormat());
            }
        }
        return out;
    }
    QImage image(const QTextImageFormat& f) const
    {
        return document.resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>();
    }
    QList<QTextTable*> tables() const
    {
        QList<QTextTable*> out;
        for (QTextFrame* f : document.rootFrame()->childFrames()) {
            if (auto* t = qobject_cast<QTextTable*>(f))
                out.append(t);
        }
        return out;
    }
};

// A structural fingerprint of a document: text, character and paragraph formats, tables
// and picture sizes, so two documents can be compared independently of resource names.
QString fingerprint(const QTextDocument& document)
{
    QString out;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        out += QStringLiteral("[P a=%1 l=%2 r=%3 i=%4 t=%5 b=%6 lh=%7/%8 tabs=%9 table=%10]")
                   .arg(int(bf.alignment() & Qt::AlignHorizontal_Mask))
                   .arg(qRound(bf.leftMargin()))
                   .arg(qRound(bf.rightMargin()))
                   .arg(qRound(bf.textIndent()))
                   .arg(qRound(bf.topMargin()))
                   .arg(qRound(bf.bottomMargin()))
                   .arg(qRound(bf.lineHeight()))
                   .arg(bf.lineHeightType())
                   .arg(bf.tabPositions().size())
                   .arg(QTextCursor(b).currentTable() != nullptr);
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.isImageFormat()) {
                const QTextImageFormat img = f.toImageFormat();
                out += QStringLiteral("{img %1x%2}").arg(qRound(img.width())).arg(qRound(img.height()));
                continue;
            }
            out += QStringLiteral("{%1 %2 b%3 i%4 u%5 s%6 v%7 fg%8 bg%9 %10}")
                       .arg(f.fontFamilies().toStringList().value(0))
                       .arg(f.fontPointSize())
                       .arg(f.fontWeight() >= QFont::DemiBold)
                       .arg(f.fontItalic())
                       .arg(int(f.underlineStyle()))
                       .arg(f.fontStrikeOut())
                       .arg(int(f.verticalAlignment()))
                       .arg(f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name()
                                                                        : QString())
                       .arg(f.hasProperty(QTextFormat::BackgroundBrush) ? f.background().color().name()
                                                                        : QString())
                       .arg(f.anchorHref());
            out += it.fragment().text();
        }
        out += u'\n';
    }
    return out;
}

} // namespace

class TestRichText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void plainText_data();
    void plainText();
    void characterFormats();
    void unicodeFallback();
    void paragraphFormats_data();
    void paragraphFormats();
    void tabStops();
    void tables();
    void pictures_data();
    void pictures();
    void onePictureOfAlternatives();
    void hyperlinks();
    void brokenInput_data();
    void brokenInput();
    void writerRoundTrip_data();
    void writerRoundTrip();
    void writerLengthsAtTheLimits_data();
    void writerLengthsAtTheLimits();
    void writerKeepsEncodedPictures_data();
    void writerKeepsEncodedPictures();
    void getRichText();
    void loadRichText();
    void zoomNeverDrifts();
    void zoomScalesPictures();
    void zoomedDocumentWritesItsOwnSizes();
    void changeFontSize();
    void writeFuzzCorpus();
};

void TestRichText::plainText_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("cyrillic and latin")
        << rtf("\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 \\f1 Hello\\f0  \\'ab\\'e4\\'e0\\'bb "
               "\\'96 \\'97 \\'b9 5")
        << QStringLiteral("Привет Hello «да» – — № 5");
    QTest::newRow("raw high bytes") << rtf("\xcf\xf0\xe8\xe2\xe5\xf2") << QStringLiteral("Привет");
    QTest::newRow("ansicpg1252 with a Cyrillic font")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset204 Arial;}}"
                      "\\f0 \\'c4\\'e0 \\'ed\\'e5\\'f2}")
        << QStringLiteral("Да нет");
    QTest::newRow("charset 0 font is Western") << rtf("\\f1 caf\\'e9") << QStringLiteral("café");
    QTest::newRow("Central European")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset238 Arial;}}\\f0 \\'e8\\'9a}")
        << QStringLiteral("čš");
    QTest::newRow("Greek") << QByteArray(
                                  "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset161 Arial;}}\\f0 \\'e1\\'e2\\'e3}")
                           << QStringLiteral("αβγ");
    // Double-byte pages: escapes and raw bytes of one character join one run.
    QTest::newRow("Japanese") << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 "
                                            "\\'93\\'fa\\'96{}\\'7b}")
                              << QStringLiteral("日本");
    QTest::newRow("Korean Johab through iconv")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset130 Batang;}}\\f0 \\'88a}")
        << QStringLiteral("가");
    QTest::newRow("document code page without font charset")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}}\\f0 \\'c0\\'c1}")
        << QStringLiteral("АБ");
    QTest::newRow("no font table") << QByteArray("{\\rtf1\\ansi \\'e9t\\'e9}") << QStringLiteral("été");
    QTest::newRow("unicode with fallback") << rtf("\\u1071?\\u1099?") << QStringLiteral("Яы");
    QTest::newRow("unicode with hex fallback") << rtf("\\u1071\\'df!") << QStringLiteral("Я!");
    QTest::newRow("negative unicode") << rtf("\\u-3913?\\u-1?") << QString(QChar(0xF0B7)) + QChar(0xFFFF);
    QTest::newRow("surrogate pair") << rtf("\\u-10179?\\u-8704?") << QStringLiteral("😀");
    QTest::newRow("uc0") << rtf("\\uc0\\u1071 x") << QStringLiteral("Яx");
    QTest::newRow("uc2 restored after group")
        << rtf("{\\uc2\\u1071\\'df\\'df}\\u1071\\'dfz") << QStringLiteral("ЯЯz");
    QTest::newRow("line and par") << rtf("one\\line two\\par three") << QStringLiteral("one\ntwo\nthree");
    QTest::newRow("backslash newline is a paragraph") << rtf("one\\\r\ntwo") << QStringLiteral("one\ntwo");
    QTest::newRow("line breaks in source are not text") << rtf("one\r\ntwo") << QStringLiteral("onetwo");
    QTest::newRow("tabs kept") << rtf("a\\tab b\tc") << QStringLiteral("a\tb\tc");
    QTest::newRow("special characters")
        << rtf("a\\~b\\-c\\_d\\emdash\\endash\\lquote x\\rquote\\ldblquote y\\rdblquote\\bullet\\{\\}\\\\")
        << QStringLiteral("a bc‑d—–‘x’“y”•{}\\");
    QTest::newRow("bullet list")
        << rtf("{\\pntext\\f2\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'b7}}"
               "\\fi-360\\li720 one\\par{\\pntext\\f2\\'b7\\tab}two")
        << QStringLiteral("•\tone\n•\ttwo");
    QTest::newRow("numbered list")
        << rtf("{\\pntext\\f0 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec{\\pntxta.}}one\\par"
               "{\\pntext\\f0 2.\\tab}two")
        << QStringLiteral("1.\tone\n2.\ttwo");
    QTest::newRow("word list text") << rtf("{\\listtext\\pard\\plain\\f2\\'b7\\tab}item")
                                    << QStringLiteral("•\titem");
    QTest::newRow("skipped groups")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}"
                      "{\\author A}}{\\*\\generator Riched20;}{\\header head}{\\footer foot}{\\*\\unknown x}"
                      "{\\*\\bkmkstart b}body{\\*\\bkmkend b}{\\footnote note}{\\*\\listtable{\\list x}}}")
        << QStringLiteral("body");
    QTest::newRow("hidden text") << rtf("a{\\v hidden}b") << QStringLiteral("ab");
    QTest::newRow("empty paragraphs kept") << rtf("a\\par\\par b") << QStringLiteral("a\n\nb");
    QTest::newRow("trimmed") << rtf("  \\par  text \\par ") << QStringLiteral("text");
    QTest::newRow("not rtf") << QByteArray("  plain text \r\n") << QStringLiteral("plain text");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("symbol font private use") << rtf("{\\f2\\u-3913?} x") << QStringLiteral("• x");
    QTest::newRow("upr takes the unicode part")
        << rtf("{\\upr{ansi}{\\*\\ud{\\u1071?}}}") << QStringLiteral("Я");
    QTest::newRow("page and section breaks") << rtf("a\\page b\\sect c") << QStringLiteral("a\nb\nc");
}

void TestRichText::plainText()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    QCOMPARE(plainOf(input), expected);
}

void TestRichText::characterFormats()
{
    const Doc d(
        rtf("{\\fonttbl{\\f3\\froman\\fcharset204 Times New Roman CYR;}{\\f4\\fcharset0 Cour{\\*\\fname "
            "Courier New;};}}"
            "plain {\\b bold {\\i both}}{\\i0 after}\\b0  off {\\ul uline}{\\uld dotted}{\\ulwave "
            "wavy}{\\uldb dbl}"
            "{\\strike strk}{\\super supx}{\\sub subx}{\\up6 upx}{\\cf1 redx}{\\highlight3 hlx}{\\cb2 bgx}"
            "{\\f3 cyrx}{\\f4 courx}{\\fs40 bigx}{\\b\\plain plx}"));
    QCOMPARE(d.formatAt(QStringLiteral("plain")).fontWeight(), int(QFont::Normal));
    QCOMPARE(d.formatAt(QStringLiteral("plain")).fontPointSize(), 12.0);
    QCOMPARE(d.formatAt(QStringLiteral("plain")).fontFamilies().toStringList(),
             QStringList{QStringLiteral("Times New Roman")});
    QCOMPARE(d.formatAt(QStringLiteral("bold")).fontWeight(), int(QFont::Bold));
    QVERIFY(!d.formatAt(QStringLiteral("bold")).fontItalic());
    QCOMPARE(d.formatAt(QStringLiteral("both")).fontWeight(), int(QFont::Bold));
    QVERIFY(d.formatAt(QStringLiteral("both")).fontItalic());
    QCOMPARE(d.formatAt(QStringLiteral("after")).fontWeight(), int(QFont::Normal));
    QCOMPARE(d.formatAt(QStringLiteral("off")).fontWeight(), int(QFont::Normal));
    QCOMPARE(d.formatAt(QStringLiteral("uline")).underlineStyle(), QTextCharFormat::SingleUnderline);
    QCOMPARE(d.formatAt(QStringLiteral("dotted")).underlineStyle(), QTextCharFormat::DotLine);
    QCOMPARE(d.formatAt(QStringLiteral("wavy")).underlineStyle(), QTextCharFormat::WaveUnderline);
    QCOMPARE(d.formatAt(QStringLiteral("dbl")).underlineStyle(), QTextCharFormat::SingleUnderline);
    QVERIFY(d.formatAt(QStringLiteral("strk")).fontStrikeOut());
    QCOMPARE(d.formatAt(QStringLiteral("supx")).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    QCOMPARE(d.formatAt(QStringLiteral("subx")).verticalAlignment(), QTextCharFormat::AlignSubScript);
    QCOMPARE(d.formatAt(QStringLiteral("upx")).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    QCOMPARE(d.formatAt(QStringLiteral("redx")).foreground().color(), QColor(255, 0, 0));
    QCOMPARE(d.formatAt(QStringLiteral("hlx")).background().color(), QColor(255, 255, 0));
    QCOMPARE(d.formatAt(QStringLiteral("bgx")).background().color(), QColor(0, 128, 0));
    QVERIFY(!d.formatAt(QStringLiteral("plain")).hasProperty(QTextFormat::ForegroundBrush));
    QCOMPARE(d.formatAt(QStringLiteral("cyrx")).fontFamilies().toStringList(),
             QStringList{QStringLiteral("Times New Roman")});
    QCOMPARE(d.formatAt(QStringLiteral("courx")).fontFamilies().toStringList(),
             QStringList{QStringLiteral("Courier New")});
    QCOMPARE(d.formatAt(QStringLiteral("bigx")).fontPointSize(), 20.0);
    QCOMPARE(d.formatAt(QStringLiteral("plx")).fontWeight(), int(QFont::Normal));
}

void TestRichText::unicodeFallback()
{
    // \cf0 is the automatic colour; \u inside a bold group keeps the group's formats.
    const Doc d(rtf("{\\b\\u1071?}{\\cf0 auto}"));
    QCOMPARE(d.formatAt(QStringLiteral("Я")).fontWeight(), int(QFont::Bold));
    QVERIFY(!d.formatAt(QStringLiteral("auto")).hasProperty(QTextFormat::ForegroundBrush));
}

void TestRichText::paragraphFormats_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("probe");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("indent");
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("bottom");
    QTest::addColumn<int>("lineType");
    QTest::addColumn<double>("lineHeight");

    const int l = Qt::AlignLeft;
    const int single = QTextBlockFormat::SingleHeight;
    QTest::newRow("centre") << QByteArray("\\qc mid") << "mid" << int(Qt::AlignHCenter) << 0.0 << 0.0 << 0.0
                            << 0.0 << single << 0.0;
    QTest::newRow("right") << QByteArray("\\qr rr") << "rr" << int(Qt::AlignRight) << 0.0 << 0.0 << 0.0 << 0.0
                           << single << 0.0;
    QTest::newRow("justify") << QByteArray("\\qj jj") << "jj" << int(Qt::AlignJustify) << 0.0 << 0.0 << 0.0
                             << 0.0 << single << 0.0;
    QTest::newRow("hanging indent") << QByteArray("\\li720\\fi-360 hang") << "hang" << l << 48.0 << -24.0
                                    << 0.0 << 0.0 << single << 0.0;
    QTest::newRow("spacing") << QByteArray("\\sb240\\sa120 sp") << "sp" << l << 0.0 << 0.0 << 16.0 << 8.0
                             << single << 0.0;
    QTest::newRow("single") << QByteArray("\\sl0\\slmult0 one") << "one" << l << 0.0 << 0.0 << 0.0 << 0.0
                            << single << 0.0;
    QTest::newRow("multiple") << QByteArray("\\sl360\\slmult1 mult") << "mult" << l << 0.0 << 0.0 << 0.0
                              << 0.0 << int(QTextBlockFormat::ProportionalHeight) << 150.0;
    QTest::newRow("at least") << QByteArray("\\sl300\\slmult0 least") << "least" << l << 0.0 << 0.0 << 0.0
                              << 0.0 << int(QTextBlockFormat::MinimumHeight) << 20.0;
    QTest::newRow("exactly") << QByteArray("\\sl-300\\slmult0 exact") << "exact" << l << 0.0 << 0.0 << 0.0
                             << 0.0 << int(QTextBlockFormat::FixedHeight) << 20.0;
    QTest::newRow("carried without pard")
        << QByteArray("\\qc\\li300 first\\par second") << "second" << int(Qt::AlignHCenter) << 20.0 << 0.0
        << 0.0 << 0.0 << single << 0.0;
    QTest::newRow("reset by pard") << QByteArray("\\qc\\li300 first\\par\\pard second") << "second" << l
                                   << 0.0 << 0.0 << 0.0 << 0.0 << single << 0.0;
    QTest::newRow("group restores paragraph") << QByteArray("{\\qc first\\par}second") << "second" << l << 0.0
                                              << 0.0 << 0.0 << 0.0 << single << 0.0;
}

void TestRichText::paragraphFormats()
{
    QFETCH(QByteArray, body);
    QFETCH(QString, probe);
    const Doc d(rtf(body));
    const QTextBlockFormat f = d.blockAt(probe);
    QTEST(int(f.alignment() & Qt::AlignHorizontal_Mask), "alignment");
    QTEST(f.leftMargin(), "left");
    QTEST(f.textIndent(), "indent");
    QTEST(f.topMargin(), "top");
    QTEST(f.bottomMargin(), "bottom");
    QTEST(f.lineHeightType(), "lineType");
    QTEST(f.lineHeight(), "lineHeight");
}

void TestRichText::tabStops()
{
    // Qt measures stops from the start of the line, RTF from the left margin; a hanging
    // paragraph has an implicit stop at its left indent.
    const Doc d(rtf(
        "\\tx1440\\tqr\\tx4320 plain\\par\\pard\\li720\\fi-360 hang\\par\\pard\\li720\\fi-360\\tx2160 both"));
    const QList<QTextOption::Tab> plain = d.blockAt(QStringLiteral("plain")).tabPositions();
    QCOMPARE(plain.size(), 2);
    QCOMPARE(plain[0].position, 96.0);
    QCOMPARE(plain[1].position, 288.0);
    QCOMPARE(plain[1].type, QTextOption::RightTab);
    const QList<QTextOption::Tab> hang = d.blockAt(QStringLiteral("hang")).tabPositions();
    QCOMPARE(hang.size(), 1);
    QCOMPARE(hang[0].position, 24.0);
    const QList<QTextOption::Tab> both = d.blockAt(QStringLiteral("both")).tabPositions();
    QCOMPARE(both.size(), 2);
    QCOMPARE(both[0].position, 24.0);
    QCOMPARE(both[1].position, 120.0);
}

void TestRichText::tables()
{
    const QByteArray body = "before\\par\r\n"
                            "\\trowd\\trgaph108\\trleft0\\clcbpat3\\cellx1500\\cellx3000\\cellx4500\r\n"
                            "\\pard\\intbl A1\\cell A2 first\\par A2 second\\cell A3\\cell\\row\r\n"
                            "\\trowd\\trgaph108\\trleft0\\cellx1500\\cellx3000\r\n"
                            "\\pard\\intbl B1\\cell B2\\cell\\row\r\n"
                            "\\pard after";
    const Doc d(rtf(body));
    const QList<QTextTable*> tables = d.tables();
    QCOMPARE(tables.size(), 1);
    QTextTable* t = tables.first();
    QCOMPARE(t->rows(), 2);
    QCOMPARE(t->columns(), 3);
    const QList<QTextLength> widths = t->format().columnWidthConstraints();
    QCOMPARE(widths.size(), 3);
    QCOMPARE(widths[0].rawValue(), 100.0);
    QCOMPARE(t->cellAt(0, 0).format().background().color(), QColor(255, 255, 0));
    QCOMPARE(t->cellAt(0, 1).format().background().style(), Qt::NoBrush);
    QCOMPARE(QTextCursor(t->cellAt(0, 1).lastCursorPosition()).block().text(), QStringLiteral("A2 second"));
    QCOMPARE(QTextCursor(t->cellAt(0, 1).firstCursorPosition()).block().text(), QStringLiteral("A2 first"));
    QCOMPARE(QTextCursor(t->cellAt(1, 2).firstCursorPosition()).block().text(), QString());
    QCOMPARE(DocumentToPlainText(&d.document),
             QStringLiteral("before\nA1\tA2 first\nA2 second\tA3\nB1\tB2\t\nafter"));
    QVERIFY(d.document.find(QStringLiteral("after")).currentTable() == nullptr);
}

void TestRichText::pictures_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QSize>("displaySize");
    QTest::addColumn<QColor>("leftColor"); // colour near the left edge, invalid = not checked

    const QImage image = samples::testImage(40, 20);
    QTest::newRow("png split over lines")
        << "{\\pict\\pngblip\\picw40\\pich20\\picwgoal600\\pichgoal300\r\n" +
               samples::hexLines(samples::png(image)) + "}"
        << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("png with tabs and odd digit")
        << "{\\pict\\pngblip\\picw40\\pich20 " + samples::png(image).toHex().replace("00", "0\t0") + "a}"
        << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("jpeg") << "{\\pict\\jpegblip\\picw40\\pich20\\picwgoal600\\pichgoal300 " +
                                 samples::jpeg(image).toHex() + "}"
                          << QSize(40, 20) << QColor();
    QTest::newRow("dibitmap0") << "{\\pict\\dibitmap0\\picw40\\pich20 " + samples::dib(image).toHex() + "}"
                               << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("scaled")
        << "{\\pict\\pngblip\\picw40\\pich20\\picwgoal600\\pichgoal300\\picscalex50\\picscaley200 " +
               samples::png(image).toHex() + "}"
        << QSize(20, 40) << QColor();
    QTest::newRow("bitmap size from picw")
        << "{\\pict\\pngblip\\picw80\\pich40 " + samples::png(image).toHex() + "}" << QSize(80, 40)
        << QColor();
    QTest::newRow("wmetafile8 bitmap")
        << "{\\pict\\wmetafile8\\picw1058\\pich529\\picwgoal600\\pichgoal300 " +
               samples::wmfBitmap(image).toHex() + "}"
        << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("wmetafile8 vector")
        << "{\\pict\\wmetafile8\\picw2646\\pich1323\\picwgoal1500\\pichgoal750 " +
               samples::wmfVector().toHex() + "}"
        << QSize(100, 50) << QColor(0, 128, 0);
    QTest::newRow("metafile size in hundredths of mm")
        << "{\\pict\\wmetafile8\\picw2646\\pich1323 " + samples::wmfVector().toHex() + "}" << QSize(100, 50)
        << QColor(0, 128, 0);
    QTest::newRow("emf") << "{\\pict\\emfblip\\picw2646\\pich1323\\picwgoal1500\\pichgoal750 " +
                                samples::emfVector().toHex() + "}"
                         << QSize(100, 50) << QColor(0, 0, 255);
    QTest::newRow("bin data with braces and backslashes") << [&] {
        QImage special(40, 20, QImage::Format_RGB32);
        special.fill(QColor(0x7B, 0x5C, 0x7D)); // the bytes of { \ }
        const QByteArray data = samples::dib(special);
        return "{\\pict\\dibitmap0\\picw40\\pich20\\bin" + QByteArray::number(data.size()) + " " + data + "}";
    }() << QSize(40, 20) << QColor(0x7B, 0x5C, 0x7D);
    QTest::newRow("groups inside pict")
        << "{\\pict{\\*\\picprop{\\sp{\\sn shapeType}{\\sv 75}}}{\\*\\blipuid 0123abcd}"
           "\\pngblip\\picw40\\pich20 " +
               samples::png(image).toHex() + "}"
        << QSize(40, 20) << QColor(Qt::red);
    QTest::newRow("ole object result")
        << "{\\object\\objemb{\\*\\objclass Paint.Picture}\\objw600\\objh300"
           "{\\*\\objdata 0102abcdef}{\\result{\\pict\\pngblip\\picw40\\pich20 " +
               samples::png(image).toHex() + "}}}"
        << QSize(40, 20) << QColor(Qt::red);
}

void TestRichText::pictures()
{
    QFETCH(QByteArray, body);
    QFETCH(QSize, displaySize);
    QFETCH(QColor, leftColor);
    const Doc d(rtf("x" + body + "y"));
    QCOMPARE(d.stats.pictureErrors, 0);
    const QList<QTextImageFormat> images = d.images();
    QCOMPARE(images.size(), 1);
    QCOMPARE(qRound(images[0].width()), displaySize.width());
    QCOMPARE(qRound(images[0].height()), displaySize.height());
    const QImage picture = d.image(images[0]);
    QVERIFY(!picture.isNull());
    if (leftColor.isValid()) {
        const QColor c = picture.pixelColor(3, picture.height() / 2);
        QVERIFY2(qAbs(c.red() - leftColor.red()) < 40 && qAbs(c.green() - leftColor.green()) < 40 &&
                     qAbs(c.blue() - leftColor.blue()) < 40,
                 qPrintable(c.name()));
    }
    QCOMPARE(plainOf(rtf("x" + body + "y")), QStringLiteral("xy"));
}

void TestRichText::onePictureOfAlternatives()
{
    const QImage image = samples::testImage(40, 20);
    const QByteArray hex = samples::png(image).toHex();
    const Doc d(rtf("{\\*\\shppict{\\pict\\pngblip\\picw40\\pich20 " + hex +
                    "}}{\\nonshppict{\\pict\\wmetafile8"
                    "\\picw40\\pich20 " +
                    samples::wmfBitmap(image).toHex() + "}}"));
    QCOMPARE(d.images().size(), 1);

    const Doc broken(rtf("{\\pict\\pngblip 0102030405}after"));
    QCOMPARE(broken.images().size(), 0);
    QCOMPARE(broken.stats.pictureErrors, 1);
    QCOMPARE(DocumentToPlainText(&broken.document), QStringLiteral("after"));
}

void TestRichText::hyperlinks()
{
    const Doc d(
        rtf("see {\\field{\\*\\fldinst{HYPERLINK \"https://example.org/a b\"}}{\\fldrslt{\\ul\\cf1 site}}}"
            " and {\\field{\\*\\fldinst{HYPERLINK \\\\l \"part\"}}{\\fldrslt here}} end "
            "{\\field{\\*\\fldinst{PAGE}}{\\fldrslt 7}}"));
    QCOMPARE(DocumentToPlainText(&d.document), QStringLiteral("see site and here end 7"));
    QCOMPARE(d.formatAt(QStringLiteral("site")).anchorHref(), QStringLiteral("https://example.org/a b"));
    QVERIFY(d.formatAt(QStringLiteral("site")).isAnchor());
    QCOMPARE(d.formatAt(QStringLiteral("here")).anchorHref(), QStringLiteral("#part"));
    QVERIFY(!d.formatAt(QStringLiteral("end")).isAnchor());
    QVERIFY(!d.formatAt(QStringLiteral("7")).isAnchor());
}

void TestRichText::brokenInput_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("expected");

    QTest::newRow("missing closing braces")
        << QByteArray("{\\rtf1\\ansi {\\b bold {\\i more") << QStringLiteral("bold more");
    QTest::newRow("extra closing braces") << QByteArray("{\\rtf1 a}}} b}") << QStringLiteral("a");
    QTest::newRow("stray brace before start") << QByteArray("}{\\rtf1 a\\par}") << QStringLiteral("a");
    QTest::newRow("trailing NUL") << QByteArray("{\\rtf1 a\\par}\0", 14) << QStringLiteral("a");
    QTest::newRow("NUL inside") << QByteArray("{\\rtf1 a\0b}", 11) << QStringLiteral("ab");
    QByteArray deep = "{\\rtf1 top";
    for (int i = 0; i < 10000; ++i)
        deep += "{x";
    deep += QByteArray(10000, '}') + " tail}";
    QTest::newRow("10000 levels") << deep
                                  << QStringLiteral("top") + QString(256, u'x') + QStringLiteral(" tail");
    QTest::newRow("bin past the end")
        << QByteArray("{\\rtf1 a{\\pict\\pngblip\\bin999999 xyz") << QStringLiteral("a");
    QTest::newRow("negative bin") << QByteArray("{\\rtf1 a\\bin-5 b}") << QStringLiteral("ab");
    QTest::newRow("odd hex escape") << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'c0\\'c\\'}")
                                    << QStringLiteral("А");
    QTest::newRow("40-letter control word")
        << QByteArray("{\\rtf1 a\\abcdefghijabcdefghijabcdefghijabcdefghij1 b}") << QStringLiteral("ab");
    QTest::newRow("huge parameter")
        << QByteArray("{\\rtf1 \\fs99999999999999999999 a\\u99999999999999? b\\li-9999999999 c}")
        << QStringLiteral("a\uFFFD bc");
    QTest::newRow("indents at the limits with a tab stop")
        << QByteArray("{\\rtf1 \\li2147483647\\fi300\\tx100 a\\tab "
                      "b\\par\\pard\\li-2147483647\\fi-2147483647\\tx100 c}")
        << QStringLiteral("a\tb\nc");
    QTest::newRow("cell edges at the limits")
        << QByteArray("{\\rtf1 \\trowd\\trleft-2147483647\\cellx2147483647\\intbl a\\cell\\row}")
        << QStringLiteral("a");
    QTest::newRow("backslash at end") << QByteArray("{\\rtf1 a\\") << QStringLiteral("a");
    QTest::newRow("hex at end") << QByteArray("{\\rtf1 a\\'") << QStringLiteral("a");
    QTest::newRow("cell without table")
        << QByteArray("{\\rtf1 a\\cell b\\row c}") << QStringLiteral("a\tb\nc");
    QTest::newRow("row without row end")
        << QByteArray("{\\rtf1 \\trowd\\cellx1000\\cellx2000\\intbl a\\cell b\\cell"
                      "\\pard after}")
        << QStringLiteral("a\tb\nafter");
    QTest::newRow("row without cells") << QByteArray("{\\rtf1 \\trowd\\row a}") << QStringLiteral("a");
    QTest::newRow("fonttbl without semicolons")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial}{\\f1 Times}}\\f1 a}") << QStringLiteral("a");
    QTest::newRow("field without result")
        << QByteArray("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK x}} a}") << QStringLiteral("a");
    QTest::newRow("unknown starred inside text")
        << QByteArray("{\\rtf1 a{\\*\\foo b{c}}d}") << QStringLiteral("ad");
}

void TestRichText::brokenInput()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    QTextDocument document;
    ReadRtf(input, &document);
    QCOMPARE(DocumentToPlainText(&document), expected);
}

void TestRichText::writerRoundTrip_data()
{
    QTest::addColumn<QByteArray>("input");
    const QImage image = samples::testImage(40, 20);
    QTest::newRow("characters") << rtf(
        "\\'cf\\'f0\\'e8 {\\b b{\\i bi}}{\\ul u}{\\uld d}{\\strike s}{\\super p}"
        "{\\sub q}{\\cf1 r}{\\highlight3 h}{\\f1\\fs32 big} \\u8364? \\u-10179?\\u-8704? "
        "a\\tab b\\line c\\~d {\\\\}");
    QTest::newRow("paragraphs") << rtf(
        "\\qc c\\par\\pard\\qr\\li300\\ri200\\fi-100\\sb60\\sa90 r\\par\\pard\\qj "
        "\\sl360\\slmult1 j\\par\\pard\\sl-300\\slmult0 x\\par\\pard\\sl300\\slmult0 y"
        "\\par\\pard\\tx1440\\tqr\\tx4320 t\\par\\par");
    QTest::newRow("table") << rtf(
        "a\\par\\trowd\\trgaph108\\clcbpat3\\cellx1500\\cellx3000\\pard\\intbl one\\par two"
        "\\cell three\\cell\\row\\trowd\\cellx1500\\cellx3000\\pard\\intbl\\cell four\\cell"
        "\\row\\pard after");
    QTest::newRow("picture") << rtf("p {\\pict\\pngblip\\picw40\\pich20\\picwgoal900\\pichgoal450 " +
                                    samples::png(image).toHex() + "} q");
    QTest::newRow("link") << rtf(
        "{\\field{\\*\\fldinst{HYPERLINK \"http://example.org/\"}}{\\fldrslt site}}");
}

void TestRichText::writerRoundTrip()
{
    QFETCH(QByteArray, input);
    const Doc first(input);
    const QByteArray written = WriteRtf(&first.document);
    for (const char c : written)
        QVERIFY2(uchar(c) < 0x80, "the writer emits 7-bit text only");
    QVERIFY(written.startsWith("{\\rtf1\\ansi\\ansicpg1251"));
    const Doc second(written);
    QCOMPARE(fingerprint(second.document), fingerprint(first.document));
    QCOMPARE(second.images().size(), first.images().size());
    for (qsizetype i = 0; i < first.images().size(); ++i)
        QCOMPARE(second.image(second.images()[i]).convertToFormat(QImage::Format_RGB32),
                 first.image(first.images()[i]).convertToFormat(QImage::Format_RGB32));
}

void TestRichText::writerKeepsEncodedPictures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("kind");
    const QImage image = samples::testImage(40, 20);
    QTest::newRow("png") << samples::png(image) << QByteArray("\\pngblip");
    QTest::newRow("jpeg") << samples::jpeg(image) << QByteArray("\\jpegblip");
    // Bytes of no picture give no picture, not a broken one.
    QTest::newRow("not a picture") << QByteArray("\x89PNG garbage") << QByteArray();
}

void TestRichText::writerKeepsEncodedPictures()
{
    // A picture given as its file bytes is stored as those bytes, not decoded and re-encoded.
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, kind);
    QTextDocument document;
    document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("picture:1")), bytes);
    QTextCursor cursor(&document);
    cursor.insertText(QStringLiteral("a "));
    QTextImageFormat format;
    format.setName(QStringLiteral("picture:1"));
    format.setWidth(80);
    format.setHeight(40);
    cursor.insertImage(format);
    const QByteArray written = WriteRtf(&document);
    if (kind.isEmpty()) {
        QVERIFY(!written.contains("\\pict"));
        return;
    }
    QVERIFY(written.contains(kind + "\\picw40\\pich20\\picwgoal1200\\pichgoal600"));
    QVERIFY(QByteArray(written).replace("\r\n", "").contains(bytes.toHex()));
    const Doc read(written);
    QCOMPARE(read.images().size(), 1);
}

void TestRichText::writerLengthsAtTheLimits_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("text");
    QTest::newRow("column as wide as an int, then one without a width")
        << QByteArray("{\\rtf1 \\trowd\\cellx2147483647\\intbl a\\cell b\\cell\\row}")
        << QStringLiteral("a\tb");
    QTest::newRow("indents and spacing as large as an int")
        << QByteArray("{\\rtf1 \\li2147483647\\fi-2147483647\\ri2147483647\\sb2147483647"
                      "\\sl-2147483647\\slmult0 x}")
        << QStringLiteral("x");
}

void TestRichText::writerLengthsAtTheLimits()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, text);
    const Doc first(input);
    const QByteArray written = WriteRtf(&first.document);
    const Doc second(written);
    QCOMPARE(DocumentToPlainText(&second.document), text);
}

void TestRichText::getRichText()
{
    QTextDocument document;
    QCOMPARE(GetRichText(&document, false), QString());
    document.setPlainText(QStringLiteral("   \n  "));
    QCOMPARE(GetRichText(&document, false), QString());
    document.setPlainText(QStringLiteral("  Тест №1 — ok € 😀 "));
    QCOMPARE(GetRichText(&document, true), QStringLiteral("Тест №1 — ok € 😀"));
    const QString rich = GetRichText(&document, false);
    QVERIFY(rich.startsWith(QStringLiteral("{\\rtf1\\ansi\\ansicpg1251")));
    QVERIFY(rich.endsWith(u'}'));
    QVERIFY(rich.contains(QStringLiteral("\\fcharset204")));
    QVERIFY(rich.contains(QStringLiteral("\\'d2\\'e5\\'f1\\'f2 \\'b9")));
    QCOMPARE(RtfToPlainText(rich), QStringLiteral("Тест №1 — ok € 😀"));
}

void TestRichText::loadRichText()
{
    QTextDocument document;
    LoadRichTextDocument(&document, cp1251::decode(rtf("{\\b \\'c0}")), false);
    QCOMPARE(document.toPlainText(), QStringLiteral("А"));
    LoadRichTextDocument(&document, QStringLiteral("{\\rtf1 shown as is}"), true);
    QCOMPARE(document.toPlainText(), QStringLiteral("{\\rtf1 shown as is}"));
    LoadRichTextDocument(&document, QStringLiteral("просто текст"), false);
    QCOMPARE(document.toPlainText(), QStringLiteral("просто текст"));
}

void TestRichText::zoomNeverDrifts()
{
    Doc d(rtf("{\\fs20 small}{\\fs37 odd}\\par\\li300 indented"));
    const QString original = fingerprint(d.document);
    for (int p = 100; p <= 300; p += 7)
        ApplyDocumentZoom(&d.document, p);
    for (int p = 300; p >= 50; p -= 13)
        ApplyDocumentZoom(&d.document, p);
    ApplyDocumentZoom(&d.document, 150);
    QCOMPARE(d.formatAt(QStringLiteral("small")).fontPointSize(), 15.0);
    QCOMPARE(d.formatAt(QStringLiteral("odd")).fontPointSize(), 18.5 * 1.5);
    QCOMPARE(d.blockAt(QStringLiteral("indented")).leftMargin(), 30.0);
    ApplyDocumentZoom(&d.document, 100);
    QCOMPARE(fingerprint(d.document), original);

    // Text added while zoomed counts as unzoomed.
    ApplyDocumentZoom(&d.document, 200);
    QTextCursor c(&d.document);
    c.movePosition(QTextCursor::End);
    QTextCharFormat f;
    f.setFontPointSize(12);
    c.insertText(QStringLiteral(" added"), f);
    ApplyDocumentZoom(&d.document, 200);
    QCOMPARE(d.formatAt(QStringLiteral("added")).fontPointSize(), 24.0);
}

void TestRichText::zoomedDocumentWritesItsOwnSizes()
{
    const QImage image = samples::testImage(40, 20);
    Doc d(rtf("{\\fs30 big}\\par\\li300 x{\\pict\\pngblip\\picw40\\pich20 " + samples::png(image).toHex() +
              "}"));
    const QString original = fingerprint(d.document);
    ApplyDocumentZoom(&d.document, 150);
    const Doc again(WriteRtf(&d.document));
    QCOMPARE(fingerprint(again.document), original);
    QCOMPARE(again.image(again.images().first()).size(), QSize(40, 20));
}

void TestRichText::zoomScalesPictures()
{
    const QImage image = samples::testImage(40, 20);
    Doc d(rtf("{\\pict\\pngblip\\picw40\\pich20 " + samples::png(image).toHex() + "}"));
    ApplyDocumentZoom(&d.document, 150);
    QCOMPARE(d.images().first().width(), 60.0);
    QCOMPARE(d.images().first().height(), 30.0);
    ApplyDocumentZoom(&d.document, 55);
    ApplyDocumentZoom(&d.document, 100);
    QCOMPARE(d.images().first().width(), 40.0);
}

void TestRichText::changeFontSize()
{
    Doc d(rtf("{\\fs2 one}{\\fs4 two}{\\fs24 twelve}"));
    ChangeDocumentFontSize(&d.document, -1);
    QCOMPARE(d.formatAt(QStringLiteral("one")).fontPointSize(), 1.0);
    QCOMPARE(d.formatAt(QStringLiteral("two")).fontPointSize(), 1.0);
    QCOMPARE(d.formatAt(QStringLiteral("twelve")).fontPointSize(), 11.0);
    ChangeDocumentFontSize(&d.document, 3);
    QCOMPARE(d.formatAt(QStringLiteral("one")).fontPointSize(), 4.0);
    QCOMPARE(d.formatAt(QStringLiteral("twelve")).fontPointSize(), 14.0);
    ChangeDocumentFontSize(&d.document, -20);
    QCOMPARE(d.formatAt(QStringLiteral("twelve")).fontPointSize(), 1.0);

    // Under a zoom the change applies to the unzoomed size.
    Doc z(rtf("{\\fs24 text}"));
    ApplyDocumentZoom(&z.document, 200);
    ChangeDocumentFontSize(&z.document, 2);
    QCOMPARE(z.formatAt(QStringLiteral("text")).fontPointSize(), 28.0);
    ApplyDocumentZoom(&z.document, 100);
    QCOMPARE(z.formatAt(QStringLiteral("text")).fontPointSize(), 14.0);
}

// Writes the seed corpora of the fuzz targets when KVIZOR_WRITE_CORPUS names a folder.
void TestRichText::writeFuzzCorpus()
{
    const QString root = qEnvironmentVariable("KVIZOR_WRITE_CORPUS");
    if (root.isEmpty())
        QSKIP("set KVIZOR_WRITE_CORPUS to write the fuzz corpora");
    auto put = [&root](const char* target, const char* name, const QByteArray& data) {
        const QString folder = root + QStringLiteral("/") + QLatin1String(target);
        QDir().mkpath(folder);
        QFile f(folder + QStringLiteral("/") + QLatin1String(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    };
    const QImage image = samples::testImage(8, 4);
    put("fuzz_rtf", "text.rtf",
        rtf("\\'cf\\'f0\\'e8 \\f1 Latin\\f0 {\\b\\i b}{\\ul u}\\u1071?\\line x\\tab "
            "y\\par\\qc\\li300\\fi-200 z"));
    put("fuzz_rtf", "unicode.rtf",
        rtf("{\\uc2\\u-10179\\'3f\\'3f\\u-8704??}\\uc0\\u1071 {\\upr{a}{\\*\\ud{\\u1071?}}}"));
    put("fuzz_rtf", "table.rtf",
        rtf("\\trowd\\trgaph108\\clcbpat3\\cellx1500\\cellx3000\\pard\\intbl a\\par b\\cell "
            "c\\cell\\row\\pard d"));
    put("fuzz_rtf", "list.rtf",
        rtf("{\\pntext\\f2\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf2{\\pntxtb\\'b7}}\\fi-360\\li720 a"));
    put("fuzz_rtf", "field.rtf",
        rtf("{\\field{\\*\\fldinst{HYPERLINK \"http://a.b/\"}}{\\fldrslt{\\ul link}}}"));
    put("fuzz_rtf", "png.rtf",
        rtf("{\\pict\\pngblip\\picw8\\pich4\\picwgoal120\\pichgoal60 " +
            samples::hexLines(samples::png(image)) + "}"));
    put("fuzz_rtf", "dib.rtf", rtf("{\\pict\\dibitmap0\\picw8\\pich4 " + samples::dib(image).toHex() + "}"));
    put("fuzz_rtf", "bin.rtf",
        rtf("{\\pict\\dibitmap0\\bin" + QByteArray::number(samples::dib(image).size()) + " " +
            samples::dib(image) + "}"));
    put("fuzz_rtf", "wmf.rtf",
        rtf("{\\*\\shppict{\\pict\\wmetafile8\\picw2646\\pich1323 " + samples::wmfVector().toHex() +
            "}}{\\nonshppict{\\pict\\wmetafile8 00}}"));
    put("fuzz_rtf", "emf.rtf",
        rtf("{\\object{\\*\\objdata 01}{\\result{\\pict\\emfblip " + samples::emfVector().toHex() + "}}}"));
    put("fuzz_rtf", "broken.rtf",
        "{\\rtf1{\\fonttbl{\\f0\\fcharset238 A{\\*\\fname B;}}}{{{\\'e8\\bin5 {}\\abc" + QByteArray(40, 'x') +
            "-99999999999 \\'");
    put("fuzz_wmf", "vector.wmf", samples::wmfVector());
    put("fuzz_wmf", "bitmap.wmf", samples::wmfBitmap(image));
    put("fuzz_wmf", "placeable.wmf", samples::placeable(samples::wmfVector(), 100, 50));
    put("fuzz_emf", "vector.emf", samples::emfVector());
    put("fuzz_emf", "text.emf", samples::emfText(QStringLiteral("Привет <&>")));
    put("fuzz_wmf", "text.wmf", samples::wmfText("\xcf\xf0\xe8\xe2\xe5\xf2 <&>"));
    put("fuzz_dib", "rgb24.dib", samples::dib(image));
    put("fuzz_dib", "indexed8.dib", samples::dib(image.convertToFormat(QImage::Format_Indexed8)));
    put("fuzz_dib", "mono.dib", samples::dib(image.convertToFormat(QImage::Format_Mono)));
    put("fuzz_dib", "argb32.dib", samples::dib(image.convertToFormat(QImage::Format_ARGB32)));
}

KVIZOR_TEST_MAIN(TestRichText)
#include "tst_richtext.moc"
