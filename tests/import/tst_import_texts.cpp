#include "tst_import.h"

#include "ImportFixtures.h"

#include "common/Cp1251.h"
#include "richtext/RtfReader.h"
#include "richtext/Samples.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextTable>

using namespace kvizor;
using namespace importfixtures;

namespace {

QImage sampleImage()
{
    return samples::testImage(6, 4);
}

// The task's question read back the way the window reads it.
struct Read
{
    QTextDocument document;
    RtfReadStats stats;
    explicit Read(const QString& richText) { stats = ReadRtf(cp1251::encode(richText), &document); }
};

// The first fragment holding the text.
QTextCharFormat formatOf(const QTextDocument& document, const QString& text)
{
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().text().contains(text))
                return it.fragment().charFormat();
        }
    }
    return {};
}

QString questionWithFile(const QString& html, const QString& fileName, const QByteArray& bytes)
{
    return QStringLiteral("<question type=\"truefalse\"><name><text>Рисунок</text></name>"
                          "<questiontext format=\"html\"><text><![CDATA[%1]]></text>"
                          "<file name=\"%2\" path=\"/\" encoding=\"base64\">%3</file></questiontext>"
                          "<answer fraction=\"100\"><text>true</text></answer></question>")
        .arg(html, fileName, QString::fromLatin1(bytes.toBase64()));
}

} // namespace

void TestImportTexts::formattingKept()
{
    const QString html =
        QStringLiteral("<p><b>жирный</b> <i>курсив</i> <u>подчёркнутый</u></p><p>второй абзац</p>"
                       "<ul><li>пункт</li><li>ещё пункт</li></ul><ol><li>раз</li><li>два</li></ol>"
                       "<table><tr><td>A1</td><td>B1</td></tr><tr><td>A2</td><td>B2</td></tr></table>");
    const Loaded loaded = load(moodle(moodleQuestion(
        QStringLiteral("truefalse"), answer(QStringLiteral("100"), QStringLiteral("true")), html)));
    QVERIFY(loaded.test.loaded());
    const QString rich = loaded.task(0).Question;
    QVERIFY(IsRtf(cp1251::encode(rich)));
    Read read(rich);
    QVERIFY(formatOf(read.document, QStringLiteral("жирный")).fontWeight() >= QFont::Bold);
    QVERIFY(formatOf(read.document, QStringLiteral("курсив")).fontItalic());
    QVERIFY(formatOf(read.document, QStringLiteral("подчёркнутый")).fontUnderline());
    QVERIFY(formatOf(read.document, QStringLiteral("второй")).fontWeight() < QFont::Bold);
    const QString text = DocumentToPlainText(&read.document);
    QVERIFY2(text.contains(QStringLiteral("подчёркнутый\nвторой абзац")), qPrintable(text));
    // List markers are text the program shows as written.
    QVERIFY2(text.contains(QStringLiteral("\u2022 пункт\n\u2022 ещё пункт\n1. раз\n2. два")),
             qPrintable(text));
    bool table = false;
    for (auto it = read.document.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (auto* t = qobject_cast<QTextTable*>(it.currentFrame()))
            table = t->rows() == 2 && t->columns() == 2 &&
                    t->cellAt(1, 1).firstCursorPosition().block().text() == QLatin1String("B2");
    }
    QVERIFY(table);

    // Markdown goes through Qt's reader.
    const Loaded md =
        load(QByteArrayLiteral("[markdown]Это **важно** и *тонко* {T}"), QStringLiteral("q.gift"));
    QVERIFY(md.test.loaded());
    Read mdRead(md.task(0).Question);
    QVERIFY(formatOf(mdRead.document, QStringLiteral("важно")).fontWeight() >= QFont::Bold);
    QVERIFY(formatOf(mdRead.document, QStringLiteral("тонко")).fontItalic());

    // Plain text stays plain text when the code page holds it.
    const Loaded text1 = load(QByteArrayLiteral("[plain]Просто текст {T}"), QStringLiteral("q.gift"));
    QCOMPARE(text1.task(0).Question, QStringLiteral("Просто текст"));
}

void TestImportTexts::pictures_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("link");
    // The RTF picture kind; empty: no picture, a warning instead.
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QString>("warning");
    const QByteArray png = samples::png(sampleImage());
    const QByteArray jpeg = samples::jpeg(sampleImage());
    // Qt writes no GIF: a one-pixel one by hand.
    const QByteArray gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00,\x00\x00\x00\x00"
                         "\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                         35);
    QTest::newRow("png as it is") << QStringLiteral("a.png") << png << QStringLiteral("@@PLUGINFILE@@/a.png")
                                  << QByteArray("\\pngblip") << QString();
    QTest::newRow("jpeg as it is") << QStringLiteral("a b.jpg") << jpeg
                                   << QStringLiteral("@@PLUGINFILE@@/a%20b.jpg") << QByteArray("\\jpegblip")
                                   << QString();
    QTest::newRow("gif as png") << QStringLiteral("a.gif") << gif << QStringLiteral("@@PLUGINFILE@@/a.gif")
                                << QByteArray("\\pngblip") << QString();
    QTest::newRow("data link") << QStringLiteral("unused.png") << png
                               << QStringLiteral("data:image/png;base64,") +
                                      QString::fromLatin1(png.toBase64())
                               << QByteArray("\\pngblip") << QString();
    QTest::newRow("missing file") << QStringLiteral("a.png") << png << QStringLiteral("@@PLUGINFILE@@/b.png")
                                  << QByteArray()
                                  << QStringLiteral("рисунок «@@PLUGINFILE@@/b.png» не найден");
    QTest::newRow("web link") << QStringLiteral("a.png") << png << QStringLiteral("http://127.0.0.1/a.png")
                              << QByteArray() << QStringLiteral("рисунок «http://127.0.0.1/a.png» не найден");
    QTest::newRow("broken picture") << QStringLiteral("a.png") << png.left(20)
                                    << QStringLiteral("@@PLUGINFILE@@/a.png") << QByteArray()
                                    << QStringLiteral("повреждён или имеет неизвестный формат");
}

void TestImportTexts::pictures()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, link);
    QFETCH(QByteArray, kind);
    QFETCH(QString, warning);
    const QString html =
        QStringLiteral("<p>Смотри: <img src=\"%1\" width=\"12\" height=\"8\"></p>").arg(link);
    const Loaded loaded = load(moodle(questionWithFile(html, fileName, bytes)));
    QVERIFY(loaded.test.loaded());
    const QString rich = loaded.task(0).Question;
    Read read(rich);
    if (kind.isEmpty()) {
        QVERIFY(!rich.contains(QLatin1String("\\pict")));
        QVERIFY2(loaded.warnings().contains(warning), qPrintable(loaded.warnings()));
        QCOMPARE(plain(rich), QStringLiteral("Смотри:"));
        return;
    }
    QVERIFY(rich.contains(QLatin1String(kind)));
    QVERIFY2(loaded.import->warnings().isEmpty(), qPrintable(loaded.warnings()));
    QCOMPARE(read.stats.pictures, 1);
    QCOMPARE(read.stats.pictureErrors, 0);
}

void TestImportTexts::noLocalFileIsRead()
{
    // A hostile text names a picture on the examinee's disk: it is never read.
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("secret.png"));
    QVERIFY(sampleImage().save(local, "PNG"));
    for (const QString& link : {local, QUrl::fromLocalFile(local).toString()}) {
        const QString html =
            QStringLiteral("<img src=\"%1\"><link rel=\"stylesheet\" href=\"%1\">").arg(link);
        const Loaded loaded = load(moodle(
            moodleQuestion(QStringLiteral("truefalse"), answer(QStringLiteral("100"), QStringLiteral("true")),
                           QStringLiteral("Q") + html)));
        QVERIFY(loaded.test.loaded());
        QVERIFY(!loaded.task(0).Question.contains(QLatin1String("\\pict")));
        QVERIFY(loaded.warnings().contains(QStringLiteral("не найден")));
    }
}

void TestImportTexts::charactersOutsideCodePage()
{
    // Rich text keeps them as Unicode escapes; plain fields get close forms or "?".
    const QString question = QStringLiteral("Докажите: α ≤ β, если x² ≥ 0 ✓");
    const QByteArray gift = (QStringLiteral("$CATEGORY: Ω\n\n::Σ:: ") + question +
                             QStringLiteral(" {=α ≤ β ~γ}\n\nКрат {=α ≤ β}\n"))
                                .toUtf8();
    const Loaded loaded = load(gift, QStringLiteral("q.gift"));
    QVERIFY(loaded.test.loaded());
    QCOMPARE(plain(loaded.task(0).Question), question);
    QCOMPARE(describe(loaded.task(0)), QStringLiteral("single: α ≤ β* | γ"));
    QCOMPARE(loaded.task(1).TextAnswers, QStringLiteral("? <= ?"));
    QCOMPARE(loaded.test.Test->GetTheme(1).Name, QStringLiteral("?"));
    const QString warnings = loaded.warnings();
    QVERIFY2(warnings.contains(QStringLiteral("Вопрос «Крат» (строка 5): символы, которых нет в кодировке "
                                              "Windows-1251, заменены на «?»: α β.")),
             qPrintable(warnings));
    // Rich texts lose nothing, so the first question has no warning.
    QVERIFY(!warnings.contains(QStringLiteral("«Σ»")));
    QVERIFY(warnings.contains(QStringLiteral("Категория «Ω»")));

    // The title is a plain field too.
    TImportOptions options;
    options.Title = QStringLiteral("Тест — π ≈ 3,14");
    const Loaded titled = load(gift, QStringLiteral("q.gift"), options);
    QCOMPARE(titled.test.Test->Title, QStringLiteral("Тест — ? ~ 3,14"));
    QVERIFY(titled.warnings().startsWith(QStringLiteral("Название теста: символы")));
}

void TestImportTexts::nothingLeaks_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("variants");
    QTest::newRow("moodle: entities, tags, name, feedback")
        << moodle(QStringLiteral(
               "<question type=\"multichoice\"><name><text>ИМЯ</text></name>"
               "<questiontext format=\"html\"><text>&lt;p&gt;A &amp;amp; B&amp;nbsp;&amp;lt;C&amp;gt; "
               "&amp;#8804;&lt;/p&gt;</text></questiontext>"
               "<single>true</single><answer fraction=\"100\" "
               "format=\"html\"><text>&lt;b&gt;да&lt;/b&gt;</text>"
               "<feedback><text>ОТЗЫВ</text></feedback></answer>"
               "<answer fraction=\"0\" format=\"plain_text\"><text>&lt;i&gt;нет&lt;/i&gt;</text></answer>"
               "<tags><tag><text>ТЕГ</text></tag></tags></question>"))
        << QStringLiteral("quiz.xml") << QStringLiteral("A & B <C> ≤")
        << QStringLiteral("single: да* | <i>нет</i>");
    QTest::newRow("gift: title, comments, feedback")
        << QByteArrayLiteral("// КОММЕНТАРИЙ\n::ИМЯ::[html]A &amp; B {=да#ОТЗЫВ ~нет#ОТЗЫВ ####ОБЩИЙ}")
        << QStringLiteral("q.gift") << QStringLiteral("A & B") << QStringLiteral("single: да* | нет");
}

void TestImportTexts::nothingLeaks()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, name);
    QFETCH(QString, question);
    QFETCH(QString, variants);
    const Loaded loaded = load(source, name);
    QVERIFY(loaded.test.loaded());
    const TTask& task = loaded.task(0);
    QCOMPARE(plain(task.Question), question);
    QCOMPARE(describe(task), variants);
    QString all = task.Question + task.Hint;
    for (const QString& v : task.Variants)
        all += plain(v);
    for (const QString& word :
         {QStringLiteral("ИМЯ"), QStringLiteral("ОТЗЫВ"), QStringLiteral("ТЕГ"),
          QStringLiteral("КОММЕНТАРИЙ"), QStringLiteral("&amp;"), QStringLiteral("&nbsp;")})
        QVERIFY2(!plain(all).contains(word) && !all.contains(word), qPrintable(word));
}
