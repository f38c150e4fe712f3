#include "run/NameTemplate.h"
#include "support/TestEnvironment.h"

#include <QTest>

using namespace kvizor;

namespace {

const QString NameExpression = QStringLiteral("^[А-Я]{1}[а-я]{1,} [А-Я]{1}[а-я]{1,}$");
const QString GroupExpression = QStringLiteral("^[1-9]{1}[0-1]{0,1} [А-Яа-я]{1}$");

} // namespace

class TestNameTemplate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matching_data();
    void matching();
    void invalidExpressions_data();
    void invalidExpressions();
    void normalizeSpaces_data();
    void normalizeSpaces();
};

void TestNameTemplate::matching_data()
{
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");

    // The default templates.
    QTest::newRow("name") << NameExpression << QStringLiteral("Иванов Иван") << true;
    QTest::newRow("name lower case") << NameExpression << QStringLiteral("иванов иван") << false;
    QTest::newRow("name with patronymic")
        << NameExpression << QStringLiteral("Иванов Иван Иванович") << false;
    QTest::newRow("surname with Ё") << NameExpression << QStringLiteral("Ёлкин Пётр") << true;
    QTest::newRow("name in Latin letters") << NameExpression << QStringLiteral("Ivanov Ivan") << false;
    QTest::newRow("two blanks inside") << NameExpression << QStringLiteral("Иванов  Иван") << false;
    QTest::newRow("line break before the end") << NameExpression << QStringLiteral("Иванов Иван\n") << false;
    QTest::newRow("Latin A that looks Cyrillic") << NameExpression << QStringLiteral("Ивaнов Иван") << false;
    QTest::newRow("default group") << GroupExpression << QStringLiteral("Класс") << false;
    QTest::newRow("group 10 А") << GroupExpression << QStringLiteral("10 А") << true;
    QTest::newRow("group 11 lower case") << GroupExpression << QStringLiteral("11 б") << true;
    QTest::newRow("group 12") << GroupExpression << QStringLiteral("12 А") << false;
    QTest::newRow("group without blank") << GroupExpression << QStringLiteral("10А") << false;
    QTest::newRow("group Ё") << GroupExpression << QStringLiteral("9 Ё") << true;
    QTest::newRow("group ё") << GroupExpression << QStringLiteral("9 ё") << true;

    // The engine's settings.
    QTest::newRow("match anywhere") << QStringLiteral("ван") << QStringLiteral("Иванов") << true;
    QTest::newRow("case counts") << QStringLiteral("иван") << QStringLiteral("Иванов") << false;
    QTest::newRow("dot matches a line break") << QStringLiteral("a.b") << QStringLiteral("a\nb") << true;
    QTest::newRow("caret only at the start") << QStringLiteral("^b") << QStringLiteral("a\nb") << false;
    QTest::newRow("dollar only at the end") << QStringLiteral("a$") << QStringLiteral("a\nb") << false;
    QTest::newRow("escaped dollar") << QStringLiteral("a\\$") << QStringLiteral("xa$") << true;
    QTest::newRow("quoted span") << QStringLiteral("\\Q$[\\E") << QStringLiteral("x$[y") << true;
    QTest::newRow("bounded repetition") << QStringLiteral("^x{2,3}$") << QStringLiteral("xxxx") << false;
    QTest::newRow("at least n") << QStringLiteral("^x{2,}$") << QStringLiteral("xxxx") << true;
    QTest::newRow("alternation and groups")
        << QStringLiteral("^(ab|cd)+$") << QStringLiteral("abcdab") << true;
    QTest::newRow("greedy") << QStringLiteral("^a.*b$") << QStringLiteral("aXbYb") << true;

    // Ranges compare by Windows-1251 code.
    QTest::newRow("А-я holds both alphabets") << QStringLiteral("^[А-я]+$") << QStringLiteral("ЖжАя") << true;
    QTest::newRow("А-я holds no ё") << QStringLiteral("^[А-я]+$") << QStringLiteral("ё") << false;
    QTest::newRow("а-я holds ё") << QStringLiteral("^[а-я]+$") << QStringLiteral("ёжик") << true;
    QTest::newRow("а-я holds no Ё") << QStringLiteral("^[а-я]+$") << QStringLiteral("Ё") << false;
    QTest::newRow("А-Я holds Ё") << QStringLiteral("^[А-Я]+$") << QStringLiteral("ЁЖ") << true;
    QTest::newRow("А-Я holds no ё") << QStringLiteral("^[А-Я]+$") << QStringLiteral("ё") << false;
    QTest::newRow("а-Я holds all") << QStringLiteral("^[а-Я]+$") << QStringLiteral("ЁёАяЖж") << true;
    QTest::newRow("а-Я holds no Latin") << QStringLiteral("^[а-Я]+$") << QStringLiteral("Ab") << false;
    QTest::newRow("negated class") << QStringLiteral("^[^А-Я]+$") << QStringLiteral("ёж") << true;
    QTest::newRow("negated class excludes Ё") << QStringLiteral("^[^А-Я]+$") << QStringLiteral("Ё") << false;
    QTest::newRow("byte escape") << QStringLiteral("^\\xC0$") << QStringLiteral("А") << true;
    QTest::newRow("Latin-1 letter is no Cyrillic byte")
        << QStringLiteral("^[А-Я]$") << QString(QChar(0x00C0)) << false;
    QTest::newRow("character outside the code page") << QStringLiteral("Ω") << QStringLiteral("xΩ") << true;
    QTest::newRow("posix class") << QStringLiteral("^[[:digit:]]+$") << QStringLiteral("123") << true;
    QTest::newRow("bracket first in class") << QStringLiteral("^[]a]+$") << QStringLiteral("]a") << true;

    QTest::newRow("empty template accepts anything") << QString() << QStringLiteral("что угодно") << true;
    QTest::newRow("empty template accepts empty") << QString() << QString() << true;
}

void TestNameTemplate::matching()
{
    QFETCH(QString, expression);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    const NameTemplate t(expression);
    QVERIFY2(t.isValid(), qPrintable(t.errorText()));
    QCOMPARE(t.matches(text), matches);
}

void TestNameTemplate::invalidExpressions_data()
{
    QTest::addColumn<QString>("expression");
    QTest::newRow("open class") << QStringLiteral("^[А-");
    QTest::newRow("open group") << QStringLiteral("(а");
    QTest::newRow("reversed range") << QStringLiteral("[я-а]");
    QTest::newRow("dangling escape") << QStringLiteral("a\\");
    QTest::newRow("nothing to repeat") << QStringLiteral("*a");
}

void TestNameTemplate::invalidExpressions()
{
    QFETCH(QString, expression);
    const NameTemplate t(expression);
    QVERIFY(!t.isValid());
    QVERIFY(!t.matches(QStringLiteral("а")));
    QVERIFY(t.errorText().contains(expression));
}

void TestNameTemplate::normalizeSpaces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blanks around and inside")
        << QStringLiteral("  Иванов   Иван ") << QStringLiteral("Иванов Иван");
    QTest::newRow("control characters at the ends") << QStringLiteral("\t10 А\r\n") << QStringLiteral("10 А");
    QTest::newRow("several runs") << QStringLiteral("a  b   c") << QStringLiteral("a b c");
    QTest::newRow("only blanks") << QStringLiteral("   ") << QString();
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("tidy already") << QStringLiteral("Иванов Иван") << QStringLiteral("Иванов Иван");
}

void TestNameTemplate::normalizeSpaces()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(NormalizeSpaces(text), expected);
}

KVIZOR_TEST_GUILESS_MAIN(TestNameTemplate)
#include "tst_nametemplate.moc"
