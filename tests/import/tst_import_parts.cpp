#include "tst_import.h"

#include "ImportFixtures.h"

#include "common/FormatError.h"
#include "import/CodePageText.h"
#include "import/Decimal.h"
#include "import/StoredOrder.h"
#include "model/Crc32.h"
#include "model/TestFileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace kvizor;
using namespace importfixtures;
using quiz::Decimal;

void TestImportParts::decimalArithmetic_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QString>("sum");
    QTest::addColumn<QString>("difference");
    QTest::newRow("9.8 and 0.2") << "9.8"
                                 << "0.2"
                                 << "10"
                                 << "9.6";
    QTest::newRow("0.1 and 0.2") << "0.1"
                                 << "0.2"
                                 << "0.3"
                                 << "-0.1";
    QTest::newRow("signs") << "-1.5"
                           << "2.25"
                           << "0.75"
                           << "-3.75";
    QTest::newRow("both negative") << "-1.5"
                                   << "-2.25"
                                   << "-3.75"
                                   << "0.75";
    QTest::newRow("exponents") << "1.5e2"
                               << "2.5E-1"
                               << "150.25"
                               << "149.75";
    QTest::newRow("comma") << "3,14"
                           << "0,01"
                           << "3.15"
                           << "3.13";
    QTest::newRow("carry through") << "999.99"
                                   << "0.01"
                                   << "1000"
                                   << "999.98";
    QTest::newRow("to zero") << "0.5"
                             << "-0.5"
                             << "0"
                             << "1";
    QTest::newRow("trailing zeros and plus") << "+2.500"
                                             << "0.500"
                                             << "3"
                                             << "2";
}

void TestImportParts::decimalArithmetic()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QString, sum);
    QFETCH(QString, difference);
    const auto x = Decimal::parse(a);
    const auto y = Decimal::parse(b);
    QVERIFY(x && y);
    QCOMPARE((*x + *y).toString(), sum);
    QCOMPARE((*x - *y).toString(), difference);
    // The double of the exact result is the one the examinee's typed text becomes.
    QCOMPARE((*x - *y).toDouble(), difference.toDouble());
    QCOMPARE((*x + *y).toDouble(), sum.toDouble());
}

void TestImportParts::decimalRejects_data()
{
    QTest::addColumn<QString>("text");
    for (const char* text :
         {"", " ", "abc", "1.2.3", "1e", "--1", "1e+", ".", "1 2", "0x10", "1e999", "nan", "inf"})
        QTest::newRow(text[0] ? text : "empty") << QString::fromLatin1(text);
    QTest::newRow("too many digits") << QString(500, u'1');
}

void TestImportParts::decimalRejects()
{
    QFETCH(QString, text);
    QVERIFY(!Decimal::parse(text));
}

void TestImportParts::decimalRounding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("rounded");
    QTest::newRow("half up") << "2.5" << qint64(3);
    QTest::newRow("below half") << "2.4999" << qint64(2);
    QTest::newRow("negative half away from zero") << "-2.5" << qint64(-3);
    QTest::newRow("below low") << "-7" << qint64(-5);
    QTest::newRow("above high") << "1e30" << qint64(1000);
    QTest::newRow("small") << "0.0001" << qint64(0);
    QTest::newRow("half of an odd number") << "7" << qint64(7);
}

void TestImportParts::decimalRounding()
{
    QFETCH(QString, text);
    QFETCH(qint64, rounded);
    QCOMPARE(Decimal::parse(text)->roundClamped(-5, 1000), rounded);
    // Halving is exact too: the middle of a range.
    QCOMPARE((*Decimal::parse(u"1") + *Decimal::parse(u"4")).half().toString(), QStringLiteral("2.5"));
    QCOMPARE(Decimal::parse(u"-0.3")->half().toString(), QStringLiteral("-0.15"));
}

void TestImportParts::codePageText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("converted");
    QTest::addColumn<QString>("lost");
    QTest::newRow("code page kept") << QStringLiteral("Ёжик «№1» — … €") << QStringLiteral("Ёжик «№1» — … €")
                                    << QString();
    QTest::newRow("comparisons") << QStringLiteral("a ≤ b ≥ c ≠ d ≈ e")
                                 << QStringLiteral("a <= b >= c <> d ~ e") << QString();
    QTest::newRow("quotes and dashes")
        << QStringLiteral("‛a′ ‟b″ ‒ − ―") << QStringLiteral("'a' \"b\" - - —") << QString();
    QTest::newRow("powers, indices, fractions")
        << QStringLiteral("x² y³ H₂O ½ ¾") << QStringLiteral("x^2 y^3 H2O 1/2 3/4") << QString();
    QTest::newRow("arrows and times")
        << QStringLiteral("a → b ⇒ c 2×3 6÷2") << QStringLiteral("a -> b => c 2x3 6:2") << QString();
    QTest::newRow("spaces and invisible marks")
        << QStringLiteral("a\u2009b\u202Fc\u200Bd\uFEFF") << QStringLiteral("a b cd") << QString();
    QTest::newRow("accents and ligatures")
        << QStringLiteral("café naïve ﬁ Ａ") << QStringLiteral("cafe naive fi A") << QString();
    QTest::newRow("no close form") << QStringLiteral("α β α 😀 ң") << QStringLiteral("? ? ? ? ?")
                                   << QStringLiteral("α β 😀 ң");
    QTest::newRow("Ukrainian and Belarusian letters are in the code page")
        << QStringLiteral("їжак ґанок ў") << QStringLiteral("їжак ґанок ў") << QString();
}

void TestImportParts::codePageText()
{
    QFETCH(QString, text);
    QFETCH(QString, converted);
    QFETCH(QString, lost);
    QStringList lostList;
    const QString result = quiz::ToCodePageText(text, &lostList);
    QCOMPARE(result, converted);
    QCOMPARE(lostList.join(u' '), lost);
    QVERIFY(quiz::FitsCodePage(result));
}

void TestImportParts::scrambledOrder()
{
    for (int n = 0; n <= 10; ++n) {
        for (std::uint64_t seed = 0; seed < 200; ++seed) {
            const QList<int> order = quiz::ScrambledOrder(n, seed * 0x9E3779B97F4A7C15ull);
            QCOMPARE(order.size(), n);
            QList<int> sorted = order;
            std::sort(sorted.begin(), sorted.end());
            for (int i = 0; i < n; ++i)
                QCOMPARE(sorted[i], i);
            if (n >= 2)
                QVERIFY(!std::is_sorted(order.begin(), order.end()));
            // The same seed, the same order: the output file is reproducible.
            QCOMPARE(quiz::ScrambledOrder(n, seed * 0x9E3779B97F4A7C15ull), order);
        }
    }
    QCOMPARE(quiz::SeedOf({u"a", u"b"}), quiz::SeedOf({u"a", u"b"}));
    QVERIFY(quiz::SeedOf({u"a", u"b"}) != quiz::SeedOf({u"ab", u""}));
}

void TestImportParts::malformedSources_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("message");
    const QString nothing = QStringLiteral("В файле нет вопросов, которые можно перенести в тест.");
    const QString notQuiz = QStringLiteral("Файл не является тестом Moodle XML или GIFT.");
    QTest::newRow("not well formed, with line and column")
        << QByteArrayLiteral("<?xml version=\"1.0\"?>\n<quiz>\n  <question type=\"truefalse\">\n</quiz>\n")
        << "q.xml" << int(TImportOutcome::NotWellFormed)
        << QStringLiteral("Ошибка в файле XML (строка 4, столбец 7)");
    QTest::newRow("cut short after a good question")
        << moodle(moodleQuestion(QStringLiteral("truefalse"),
                                 answer(QStringLiteral("100"), QStringLiteral("true"))))
               .chopped(10)
        << "q.xml" << int(TImportOutcome::NotWellFormed) << QStringLiteral("Ошибка в файле XML (строка");
    QTest::newRow("other XML") << QByteArrayLiteral("<html><body/></html>") << "q.xml"
                               << int(TImportOutcome::NotAQuiz) << notQuiz;
    QTest::newRow("empty") << QByteArray() << "q.gift" << int(TImportOutcome::NotAQuiz) << notQuiz;
    QTest::newRow("blanks") << QByteArrayLiteral("  \n\n ") << "q.gift" << int(TImportOutcome::NotAQuiz)
                            << notQuiz;
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR{::}", 20) << "q.xml"
                            << int(TImportOutcome::NotAQuiz) << notQuiz;
    QTest::newRow("plain prose") << QByteArrayLiteral("Это просто письмо.\nБез вопросов.") << "q.gift"
                                 << int(TImportOutcome::NotAQuiz) << notQuiz;
    QTest::newRow("quiz without questions")
        << moodle(QString()) << "q.xml" << int(TImportOutcome::NothingImported) << nothing;
    QTest::newRow("only essays") << moodle(moodleQuestion(QStringLiteral("essay"), QString())) << "q.xml"
                                 << int(TImportOutcome::NothingImported) << nothing;
    QTest::newRow("unclosed GIFT braces") << QByteArrayLiteral("::A:: Q {=a ~b\n") << "q.gift"
                                          << int(TImportOutcome::NothingImported) << nothing;
    QTest::newRow("entity bomb")
        << QByteArrayLiteral(
               "<?xml version=\"1.0\"?><!DOCTYPE quiz [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">"
               "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
               "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
               "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]>"
               "<quiz><question type=\"truefalse\"><name><text>&d;&d;&d;&d;</text></name></question></quiz>")
        << "q.xml" << int(TImportOutcome::NotWellFormed) << QStringLiteral("Ошибка в файле XML");
}

void TestImportParts::malformedSources()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, name);
    QFETCH(int, outcome);
    QFETCH(QString, message);
    const std::unique_ptr<TQuizImport> import = TQuizImport::FromData(source, name);
    QCOMPARE(int(import->outcome()), outcome);
    QVERIFY2(import->message().startsWith(message), qPrintable(import->message()));
    QCOMPARE(import->taskCount(), 0);
    QVERIFY_THROWS_EXCEPTION(WriteError, import->toTestData());
    // A source that is no quiz or is damaged says only that.
    if (outcome != int(TImportOutcome::NothingImported))
        QVERIFY(import->warnings().isEmpty());
}

void TestImportParts::detection_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("format");
    QTest::newRow("xml") << QByteArrayLiteral("<?xml version=\"1.0\"?><quiz/>")
                         << int(TQuizFormat::MoodleXml);
    QTest::newRow("xml after BOM and blanks")
        << QByteArrayLiteral("\xEF\xBB\xBF \r\n<quiz/>") << int(TQuizFormat::MoodleXml);
    QTest::newRow("xml in UTF-16") << QByteArray("\xFF\xFE<\0q\0", 6) << int(TQuizFormat::MoodleXml);
    QTest::newRow("gift answers") << QByteArrayLiteral("Q {T}") << int(TQuizFormat::Gift);
    QTest::newRow("gift title only") << QByteArrayLiteral("// c\n::T:: text") << int(TQuizFormat::Gift);
    QTest::newRow("gift category") << QByteArrayLiteral("$CATEGORY: a/b") << int(TQuizFormat::Gift);
    QTest::newRow("gift in Windows-1251")
        << QByteArrayLiteral("\xC2\xEE\xEF\xF0\xEE\xF1 {T}") << int(TQuizFormat::Gift);
    QTest::newRow("escaped brace only") << QByteArrayLiteral("a \\{ b") << int(TQuizFormat::Unknown);
    QTest::newRow("braces in a comment only")
        << QByteArrayLiteral("// {T}\ntext") << int(TQuizFormat::Unknown);
    QTest::newRow("binary with braces") << QByteArray("{\0}", 3) << int(TQuizFormat::Unknown);
    // A test file of ours, whatever its scrambled bytes look like, even without a zero byte.
    TTest test;
    QByteArray kvf = WriteTestFileData(test, {});
    QVERIFY(kvf.size() > 6);
    kvf.replace('\0', '{');
    QTest::newRow("test file") << kvf << int(TQuizFormat::Unknown);
}

void TestImportParts::detection()
{
    QFETCH(QByteArray, data);
    QFETCH(int, format);
    QCOMPARE(int(DetectQuizFormat(data)), format);
}

void TestImportParts::fromFile()
{
    QTemporaryDir dir;
    // A GIFT file saved in Windows-1251 by an old editor is read as such.
    const QString path = dir.filePath(QStringLiteral("Физика 9.txt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArrayLiteral("\xC2\xEE\xEF\xF0\xEE\xF1 {T}\r\n"));
    }
    const std::unique_ptr<TQuizImport> import = TQuizImport::FromFile(path);
    QVERIFY(import->imported());
    QCOMPARE(import->format(), TQuizFormat::Gift);
    QCOMPARE(import->sourceCrc(), FileCRC32(path));
    QCOMPARE(import->warnings(),
             QStringList{QStringLiteral(
                 "Файл не в кодировке UTF-8; он прочитан как текст в кодировке Windows-1251.")});
    QCOMPARE(import->test().Title, QStringLiteral("Физика 9"));
    QCOMPARE(import->test().Created, QFileInfo(path).lastModified());
    QVERIFY(import->test().UId.startsWith(u'{') && import->test().UId.size() == 38);

    const QString out = dir.filePath(QStringLiteral("out.kvf"));
    import->writeToPath(out);
    const TLoadResult loaded = LoadTestFile(out, {});
    QVERIFY(loaded.loaded());
    QCOMPARE(plain(loaded.Tasks.at(0)->Question), QStringLiteral("Вопрос"));
    // The file can be written again from the same import.
    QCOMPARE(import->toTestData(), [&] {
        QFile file(out);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }());

    const std::unique_ptr<TQuizImport> missing =
        TQuizImport::FromFile(dir.filePath(QStringLiteral("нет.xml")));
    QCOMPARE(missing->outcome(), TImportOutcome::ReadError);
    QVERIFY(missing->message().startsWith(QStringLiteral("Не удалось открыть файл")));
    // A device is never read: /dev/zero would not end.
    for (const QString& device : {QStringLiteral("/dev/zero"), dir.path()}) {
        const std::unique_ptr<TQuizImport> special = TQuizImport::FromFile(device);
        QCOMPARE(special->outcome(), TImportOutcome::ReadError);
        QVERIFY(special->message().endsWith(QStringLiteral("это не обычный файл.")));
    }

    // Moodle XML declared in Windows-1251 is read in it.
    const QString xml = dir.filePath(QStringLiteral("cp1251.xml"));
    {
        QFile file(xml);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\" encoding=\"windows-1251\"?><quiz><question type=\"truefalse\">"
                   "<questiontext><text>\xC7\xE5\xEC\xEB\xFF</text></questiontext>"
                   "<answer fraction=\"100\"><text>true</text></answer></question></quiz>");
    }
    const std::unique_ptr<TQuizImport> cp1251 = TQuizImport::FromFile(xml);
    QVERIFY(cp1251->imported());
    QCOMPARE(plain(LoadTestData(xml, cp1251->toTestData(), {}).Tasks.at(0)->Question),
             QStringLiteral("Земля"));
}

void TestImportParts::reproducible()
{
    // The same source gives the same tasks and the same identifier.
    QString xml;
    for (int i = 0; i < 5; ++i) {
        QString items;
        for (int k = 1; k <= 6; ++k)
            items += answer(QString::number(k), QStringLiteral("шаг %1").arg(k));
        xml += moodleQuestion(QStringLiteral("ordering"), items, QStringLiteral("Порядок %1").arg(i));
    }
    const Loaded first = load(moodle(xml));
    const Loaded second = load(moodle(xml));
    QVERIFY(first.test.loaded() && second.test.loaded());
    QCOMPARE(first.test.Test->UId, second.test.Test->UId);
    for (std::size_t i = 0; i < first.test.Tasks.size(); ++i) {
        QCOMPARE(first.task(i).Variants, second.task(i).Variants);
        QCOMPARE(first.task(i).VariantValues, second.task(i).VariantValues);
    }
    // Another source, another identifier.
    const Loaded other = load(moodle(xml + QStringLiteral(" ")));
    QVERIFY(other.test.Test->UId != first.test.Test->UId);
}
