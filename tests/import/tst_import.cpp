#include "tst_import.h"
#include "support/TestEnvironment.h"

#include "ImportFixtures.h"

#include "import/QuestionConverter.h"
#include "run/Evaluation.h"

#include <QGuiApplication>
#include <QLocale>
#include <QTest>

using namespace kvizor;
using namespace importfixtures;

namespace {

struct MoodleCase
{
    const char* row;
    const char* type;
    const char* body;
    // describe() of the task; empty: the question is left out.
    const char* expected;
    // Text the warnings must hold; empty: no warning at all.
    const char* warning;
};

// Every row of the mapping, and every refusal.
const MoodleCase kMoodleCases[] = {
    {"single: full marks right, partial not carried", "multichoice",
     R"(<single>true</single><answer fraction="100"><text>Париж</text></answer>
        <answer fraction="50"><text>Лион</text></answer><answer fraction="0"><text>Берлин</text></answer>)",
     "single: Париж* | Лион | Берлин", "частичные оценки ответов не переносятся"},
    {"single: a second full-marks answer left out", "multichoice",
     R"(<single>true</single><answer fraction="100"><text>A</text></answer>
        <answer fraction="100"><text>B</text></answer><answer fraction="0"><text>C</text></answer>)",
     "single: A* | C", "другие ответы на 100% пропущены"},
    {"single: no full-marks answer", "multichoice",
     R"(<single>true</single><answer fraction="50"><text>A</text></answer><answer fraction="0"><text>B</text></answer>)",
     "", "пропущен: нет ответа, оценённого в 100%"},
    {"single: blank answers skipped", "multichoice",
     R"(<single>true</single><answer fraction="100"><text>A</text></answer><answer fraction="0"><text> </text></answer>
        <answer fraction="0"><text><![CDATA[<p>B</p>]]></text></answer>)",
     "single: A* | B", ""},
    {"multi: positive fractions right", "multichoice",
     R"(<single>false</single><answer fraction="50"><text>A</text></answer><answer fraction="50"><text>B</text></answer>
        <answer fraction="-100"><text>C</text></answer><answer fraction="0"><text>D</text></answer>)",
     "multi: A* | B* | C | D", ""},
    {"multi: more than 10 answers", "multichoice",
     R"(<single>false</single><answer fraction="100"><text>1</text></answer><answer fraction="0"><text>2</text></answer>
        <answer fraction="0"><text>3</text></answer><answer fraction="0"><text>4</text></answer>
        <answer fraction="0"><text>5</text></answer><answer fraction="0"><text>6</text></answer>
        <answer fraction="0"><text>7</text></answer><answer fraction="0"><text>8</text></answer>
        <answer fraction="0"><text>9</text></answer><answer fraction="0"><text>10</text></answer>
        <answer fraction="0"><text>11</text></answer>)",
     "", "пропущен: вариантов ответа больше 10 (11)"},
    {"true/false: true", "truefalse",
     R"(<answer fraction="100"><text>true</text></answer><answer fraction="0"><text>false</text></answer>)",
     "truefalse: Это утверждение верно=да", ""},
    {"true/false: false", "truefalse",
     R"(<answer fraction="0"><text>true</text></answer><answer fraction="100"><text>false</text></answer>)",
     "truefalse: Это утверждение верно=нет", ""},
    {"numerical: tolerance in decimal", "numerical",
     R"(<answer fraction="100"><text>9.8</text><tolerance>0.2</tolerance></answer>)", "number: 9.6..10", ""},
    {"numerical: tolerance 0 is an exact number", "numerical",
     R"(<answer fraction="100"><text>42</text><tolerance>0</tolerance></answer>)", "number: 42", ""},
    {"numerical: exponent and sign", "numerical",
     R"(<answer fraction="100"><text>-1.5e2</text><tolerance>0.05</tolerance></answer>)",
     "number: -150.05..-149.95", ""},
    {"numerical: any-answer entry skipped, partial not carried", "numerical",
     R"(<answer fraction="0"><text>*</text></answer><answer fraction="100"><text>3</text></answer>
        <answer fraction="50"><text>3.1</text></answer>)",
     "number: 3", "частичные оценки"},
    {"numerical: units", "numerical",
     R"(<answer fraction="100"><text>5</text></answer><units><unit><multiplier>1</multiplier><unit_name>м</unit_name></unit></units>)",
     "number: 5", "единицы измерения не переносятся"},
    {"numerical: not a number", "numerical", R"(<answer fraction="100"><text>пять</text></answer>)", "",
     "пропущен: ответ «пять» не является числом"},
    {"short answer: case counts", "shortanswer",
     R"(<usecase>1</usecase><answer fraction="100"><text>Москва</text></answer><answer fraction="100"><text>Moscow</text></answer>)",
     "text(case): Москва / Moscow", ""},
    {"short answer: wildcards left out", "shortanswer",
     R"(<usecase>0</usecase><answer fraction="100"><text>Ив*</text></answer><answer fraction="100"><text>Иван</text></answer>)",
     "text: Иван", "ответы с шаблоном «*» не переносятся: Ив*"},
    {"short answer: an escaped star is a star", "shortanswer",
     R"(<answer fraction="100"><text>a\*b</text></answer>)", "text: a*b", ""},
    {"short answer: only wildcards", "shortanswer", R"(<answer fraction="100"><text>*</text></answer>)", "",
     "пропущен:"},
    {"short answer: close forms of characters", "shortanswer",
     R"(<answer fraction="100"><text>x ≤ y — “да”</text></answer>)", "text: x <= y — “да”", ""},
    {"short answer: characters without a close form", "shortanswer",
     R"(<answer fraction="100"><text>α + β</text></answer>)", "text: ? + ?", "заменены на «?»: α β"},
    {"matching: equal answers once, extra answers on the right", "matching",
     R"(<subquestion><text>a</text><answer><text>1</text></answer></subquestion>
        <subquestion><text>b</text><answer><text>2</text></answer></subquestion>
        <subquestion><text>c</text><answer><text>1</text></answer></subquestion>
        <subquestion><text></text><answer><text>3</text></answer></subquestion>)",
     "matching: a->1 | b->2 | c->1 || 1 | 2 | 3", ""},
    {"matching: an item without a partner", "matching",
     R"(<subquestion><text>a</text><answer><text>1</text></answer></subquestion>
        <subquestion><text>b</text><answer><text></text></answer></subquestion>
        <subquestion><text>c</text><answer><text>3</text></answer></subquestion>)",
     "", "пропущен: у пункта «b» нет пары"},
    {"matching: one answer only", "match",
     R"(<subquestion><text>a</text><answer><text>1</text></answer></subquestion>
        <subquestion><text>b</text><answer><text>1</text></answer></subquestion>)",
     "", "пропущен: для сопоставления нужны хотя бы два разных ответа"},
    {"ordering: places decide", "ordering",
     R"(<answer fraction="2"><text>второй</text></answer><answer fraction="1"><text>первый</text></answer>
        <answer fraction="3"><text>третий</text></answer>)",
     "ordering: первый > второй > третий", ""},
    {"ordering: one item", "ordering", R"(<answer fraction="1"><text>один</text></answer>)", "",
     "пропущен: для упорядочивания нужны хотя бы два элемента"},
    {"essay", "essay", "", "", "пропущен: вопросы типа «essay» не переносятся"},
    {"description", "description", "", "", "«description»"},
    {"cloze", "multianswer", "", "", "«multianswer»"},
    {"calculated", "calculated", R"(<answer fraction="100"><text>{a}+{b}</text></answer>)", "",
     "«calculated»"},
    {"random", "random", "", "", "«random»"},
    {"picture in the old form", "truefalse",
     R"(<image>a.png</image><image_base64>iVBORw0KGgo=</image_base64>
        <answer fraction="100"><text>true</text></answer><answer fraction="0"><text>false</text></answer>)",
     "truefalse: Это утверждение верно=да", "рисунок в старом виде (image_base64) не переносится"},
    {"per-answer feedback", "multichoice",
     R"(<single>true</single><answer fraction="100"><text>A</text><feedback><text>Верно!</text></feedback></answer>
        <answer fraction="0"><text>B</text><feedback><text></text></feedback></answer>)",
     "single: A* | B", "отзывы на ответы не переносятся"},
};

struct GiftCase
{
    const char* row;
    const char* source;
    const char* expected;
    // The question as plain text; empty: not checked.
    const char* question;
    const char* warning;
};

const GiftCase kGiftCases[] = {
    {"single choice with a title", "::Q1:: Столица Франции? {=Париж ~Лион ~Берлин}",
     "single: Париж* | Лион | Берлин", "Столица Франции?", ""},
    {"single choice with a partial answer", "Q {=A ~%50%B ~C}", "single: A* | B | C", "Q",
     "частичные оценки"},
    {"multiple answers by weights", "Q {~%50%A ~%50%B ~%-100%C}", "multi: A* | B* | C", "Q", ""},
    {"missing word", "Грант {~жил =похоронен} в гробнице.", "single: жил | похоронен*",
     "Грант _____ в гробнице.", ""},
    {"true", "1+1=2 {T}", "truefalse: Это утверждение верно=да", "1+1=2", ""},
    {"TRUE", "Q {TRUE}", "truefalse: Это утверждение верно=да", "", ""},
    {"false", "Q {F}", "truefalse: Это утверждение верно=нет", "", ""},
    {"FALSE with feedback", "Q {FALSE#неверно#верно}", "truefalse: Это утверждение верно=нет", "",
     "отзывы на ответы не переносятся"},
    {"short answer, not case-sensitive", "Два плюс два? {=четыре =4}", "text: четыре / 4", "Два плюс два?",
     ""},
    {"numerical with tolerance", "Пи? {#3.14:0.01}", "number: 3.13..3.15", "Пи?", ""},
    {"numerical range", "Число от 1 до 5? {#1..5}", "number: 1..5", "", ""},
    {"numerical range given backwards", "Q {#5..1}", "number: 1..5", "", ""},
    {"numerical exact", "Q {#2}", "number: 2", "", ""},
    {"numerical answers with weights", "Q {#=1822:0 =%50%1822:2}", "number: 1822", "", "частичные оценки"},
    {"matching", "Кто что ест? {=кот -> корм =собака -> кость =корова -> сено}",
     "matching: кот->корм | собака->кость | корова->сено || корм | кость | сено", "Кто что ест?", ""},
    {"escapes", R"(Что такое \{ и \}? {=скобки \= знак ~\~тильда ~a\#b ~c\:d})",
     "single: скобки = знак* | ~тильда | a#b | c:d", "Что такое { и }?", ""},
    {"line break escape", R"(Первая\nвторая {=a ~b})", "single: a* | b", "Первая\nвторая", ""},
    {"comments and title never reach the text", "// комментарий\n::Секрет:: Вопрос {=a ~b}\n// ещё",
     "single: a* | b", "Вопрос", ""},
    {"html", "[html]<b>Жирный</b> &amp; вопрос {=<i>a</i> ~b}", "single: a* | b", "Жирный & вопрос", ""},
    {"markdown", "[markdown]**Жирный** вопрос {=a ~b}", "single: a* | b", "Жирный вопрос", ""},
    {"plain keeps markup as text", "[plain]<b>x</b> {=a ~b}", "single: a* | b", "<b>x</b>", ""},
    {"moodle format with an entity", "[moodle]a &lt; b {=a ~b}", "single: a* | b", "a < b", ""},
    {"essay", "Напишите эссе. {}", "", "", "пропущен: вопросы типа «essay» не переносятся"},
    {"description", "Просто текст без ответов.", "", "", "«description»"},
    {"unclosed brace", "Q {=a ~b", "", "", "пропущен: нет закрывающей скобки «}»"},
    {"two answer blocks", "Q {=a ~b} и {=c ~d}", "", "", "пропущен: больше одного блока ответов"},
    {"answers without a mark", "Q {ответ}", "", "", "пропущен: ответы должны начинаться"},
    {"wildcard short answer", "Q {=a*}", "", "", "ответы с шаблоном «*» не переносятся"},
};

// The examinee's right answer as the controls of the task would hold it: one radio button,
// the check boxes, the list entries, the typed text.
TaskAnswer rightAnswer(const TTask& task)
{
    TaskAnswer a;
    const int n = task.VariantCount();
    switch (task.TaskType) {
    case ttSingleChoice:
        for (int k = 0; k < n; ++k) {
            if (task.IsVariantRight(k)) {
                a.Checked[k] = true;
                break;
            }
        }
        break;
    case ttMultipleChoice:
        for (int k = 0; k < n; ++k)
            a.Checked[k] = task.IsVariantRight(k);
        break;
    case ttOrdering:
    case ttMatching:
        for (int k = 0; k < n; ++k)
            a.ListIndex[k] = task.VariantValues[k] - 1;
        break;
    case ttTrueFalse:
        for (int k = 0; k < n; ++k)
            a.ListIndex[k] = task.VariantValues[k];
        break;
    case ttNumber:
        a.Text = FeedbackNumberText(task.NumberIsRange ? task.NumberMax : task.NumberValue);
        break;
    case ttText:
        a.Text = AcceptedTextAnswers(task.TextAnswers).value(0);
        if (!task.TextCaseSensitive)
            a.Text = a.Text.toLower();
        break;
    default:
        break;
    }
    return a;
}

bool judged(const TTask& task, const TaskAnswer& answer)
{
    QList<int> order;
    for (int k = 0; k < task.VariantCount(); ++k)
        order.append(k);
    return EvaluateTask(task, answer, order, true, -1, {}, {}).Right;
}

const MoodleCase* findMoodleCase(const QString& row)
{
    for (const MoodleCase& c : kMoodleCases) {
        if (row == QLatin1String(c.row))
            return &c;
    }
    return nullptr;
}

} // namespace

void TestImportMapping::moodleQuestions_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("warning");
    for (const MoodleCase& c : kMoodleCases)
        QTest::newRow(c.row) << QString::fromUtf8(c.type) << QString::fromUtf8(c.body)
                             << QString::fromUtf8(c.expected) << QString::fromUtf8(c.warning);
}

void TestImportMapping::moodleQuestions()
{
    QFETCH(QString, type);
    QFETCH(QString, body);
    QFETCH(QString, expected);
    QFETCH(QString, warning);
    // A question the converter refuses sits beside one it takes, so the file still imports.
    const QString keeper = moodleQuestion(QStringLiteral("truefalse"),
                                          answer(QStringLiteral("100"), QStringLiteral("true")) +
                                              answer(QStringLiteral("0"), QStringLiteral("false")),
                                          QStringLiteral("Опора"), QStringLiteral("Опора"));
    const Loaded loaded = load(moodle(moodleQuestion(type, body) + keeper));
    QVERIFY2(loaded.test.loaded(), qPrintable(loaded.import->message()));
    QCOMPARE(loaded.test.Tasks.size(), expected.isEmpty() ? 1u : 2u);
    if (!expected.isEmpty()) {
        QCOMPARE(describe(loaded.task(0)), expected);
        QCOMPARE(plain(loaded.task(0).Question), QStringLiteral("Текст вопроса"));
    }
    if (warning.isEmpty()) {
        QVERIFY2(loaded.import->warnings().isEmpty(), qPrintable(loaded.warnings()));
    } else {
        QVERIFY2(loaded.warnings().contains(warning), qPrintable(loaded.warnings()));
        // Every warning names its question.
        QVERIFY(loaded.warnings().startsWith(QStringLiteral("Вопрос «Вопрос» (строка 3)")));
    }
}

void TestImportMapping::moodleFixtureInOneFile()
{
    // All rows at once, under two categories: tasks in file order, left-out ones missing.
    QString questions = QStringLiteral(
        "<question type=\"category\"><category><text>$course$/top/Физика</text></category></question>\n");
    QStringList expected;
    int i = 0;
    for (const MoodleCase& c : kMoodleCases) {
        if (i++ == 10)
            questions += QStringLiteral(
                "<question "
                "type=\"category\"><category><text>$course$/top/Химия</text></category></question>\n");
        questions +=
            moodleQuestion(QString::fromUtf8(c.type), QString::fromUtf8(c.body), QString::fromUtf8(c.row));
        if (*c.expected != '\0')
            expected.append(QString::fromUtf8(c.expected));
    }
    const Loaded loaded = load(moodle(questions));
    QVERIFY(loaded.test.loaded());
    QCOMPARE(int(loaded.test.Tasks.size()), expected.size());
    QCOMPARE(loaded.import->taskCount(), expected.size());
    for (int k = 0; k < expected.size(); ++k) {
        QCOMPARE(describe(loaded.task(std::size_t(k))), expected.at(k));
        const MoodleCase* c = findMoodleCase(plain(loaded.task(std::size_t(k)).Question));
        QVERIFY(c != nullptr);
        QCOMPARE(loaded.task(std::size_t(k)).ThemeId, int(c - kMoodleCases) < 10 ? 1 : 2);
    }
}

void TestImportMapping::everyTaskAnswerable()
{
    // What is written can be answered right, and only one way for a single choice.
    QString questions;
    for (const MoodleCase& c : kMoodleCases)
        questions +=
            moodleQuestion(QString::fromUtf8(c.type), QString::fromUtf8(c.body), QString::fromUtf8(c.row));
    QString gift;
    for (const GiftCase& c : kGiftCases)
        gift += QString::fromUtf8(c.source) + QStringLiteral("\n\n");
    for (const Loaded& loaded : {load(moodle(questions)), load(gift.toUtf8(), QStringLiteral("q.gift"))}) {
        QVERIFY(loaded.test.loaded());
        for (const auto& task : loaded.test.Tasks) {
            QVERIFY2(judged(*task, rightAnswer(*task)), qPrintable(describe(*task)));
            QVERIFY2(!judged(*task, TaskAnswer()), qPrintable(describe(*task)));
            if (task->TaskType == ttSingleChoice) {
                int right = 0;
                for (int k = 0; k < task->VariantCount(); ++k)
                    right += task->IsVariantRight(k) ? 1 : 0;
                QCOMPARE(right, 1);
            }
        }
    }
}

void TestImportMapping::numberBounds_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("right");
    const QString g =
        QStringLiteral("<answer fraction=\"100\"><text>9.8</text><tolerance>0.2</tolerance></answer>");
    QTest::newRow("lower bound") << g << QStringLiteral("9,6") << true;
    QTest::newRow("upper bound") << g << QStringLiteral("10") << true;
    QTest::newRow("value") << g << QStringLiteral("9,8") << true;
    QTest::newRow("just below") << g << QStringLiteral("9,599") << false;
    QTest::newRow("just above") << g << QStringLiteral("10,001") << false;
    const QString tenth =
        QStringLiteral("<answer fraction=\"100\"><text>0.3</text><tolerance>0.1</tolerance></answer>");
    QTest::newRow("0.3 - 0.1 reaches 0.2") << tenth << QStringLiteral("0,2") << true;
    QTest::newRow("0.3 + 0.1 reaches 0.4") << tenth << QStringLiteral("0,4") << true;
    const QString exact = QStringLiteral("<answer fraction=\"100\"><text>0.1</text></answer>");
    QTest::newRow("exact") << exact << QStringLiteral("0,1") << true;
    QTest::newRow("exact, other") << exact << QStringLiteral("0,10001") << false;
}

void TestImportMapping::numberBounds()
{
    QFETCH(QString, answer);
    QFETCH(QString, typed);
    QFETCH(bool, right);
    const Loaded loaded = load(moodle(moodleQuestion(QStringLiteral("numerical"), answer)));
    QVERIFY(loaded.test.loaded());
    TaskAnswer a;
    a.Text = typed;
    QCOMPARE(judged(loaded.task(0), a), right);
}

void TestImportMapping::giftQuestions_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("warning");
    for (const GiftCase& c : kGiftCases)
        QTest::newRow(c.row) << QString::fromUtf8(c.source) << QString::fromUtf8(c.expected)
                             << QString::fromUtf8(c.question) << QString::fromUtf8(c.warning);
}

void TestImportMapping::giftQuestions()
{
    QFETCH(QString, source);
    QFETCH(QString, expected);
    QFETCH(QString, question);
    QFETCH(QString, warning);
    const QString text = QStringLiteral("::Опора:: Опора {T}\n\n") + source + u'\n';
    const Loaded loaded = load(text.toUtf8(), QStringLiteral("quiz.gift"));
    QVERIFY2(loaded.test.loaded(), qPrintable(loaded.import->message()));
    QCOMPARE(loaded.import->format(), TQuizFormat::Gift);
    QCOMPARE(loaded.test.Tasks.size(), expected.isEmpty() ? 1u : 2u);
    if (!expected.isEmpty()) {
        QCOMPARE(describe(loaded.task(1)), expected);
        if (!question.isEmpty())
            QCOMPARE(plain(loaded.task(1).Question), question);
    }
    if (warning.isEmpty()) {
        QVERIFY2(loaded.import->warnings().isEmpty(), qPrintable(loaded.warnings()));
    } else {
        QVERIFY2(loaded.warnings().contains(warning), qPrintable(loaded.warnings()));
        QVERIFY2(loaded.warnings().contains(QStringLiteral("(строка 3)")) ||
                     loaded.warnings().contains(QStringLiteral("в строке 3")),
                 qPrintable(loaded.warnings()));
    }
}

void TestImportMapping::commonFields_data()
{
    QTest::addColumn<QString>("extra");
    QTest::addColumn<int>("weight");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("explanation");
    QTest::addColumn<QString>("warning");
    QTest::newRow("nothing given") << QString() << 1 << QString() << QString() << QString();
    QTest::newRow("grade rounded half up") << QStringLiteral("<defaultgrade>2.5000000</defaultgrade>") << 3
                                           << QString() << QString() << QString();
    QTest::newRow("grade 0 weighs 1")
        << QStringLiteral("<defaultgrade>0</defaultgrade>") << 1 << QString() << QString() << QString();
    QTest::newRow("grade 0.4 weighs 1")
        << QStringLiteral("<defaultgrade>0.4</defaultgrade>") << 1 << QString() << QString() << QString();
    QTest::newRow("huge grade") << QStringLiteral("<defaultgrade>1e9</defaultgrade>") << int(quiz::kMaxWeight)
                                << QString() << QString() << QStringLiteral("оценка 1000000000 больше 1000");
    QTest::newRow("feedback and hints: the first hint")
        << QStringLiteral("<generalfeedback format=\"html\"><text>&lt;p&gt;Потому что&lt;/p&gt;</text>"
                          "</generalfeedback><hint format=\"html\"><text>Первая</text></hint>"
                          "<hint format=\"html\"><text>Вторая</text></hint>")
        << 1 << QStringLiteral("Первая") << QStringLiteral("Потому что")
        << QStringLiteral("перенесена только первая подсказка");
    QTest::newRow("blank feedback and hint stay empty")
        << QStringLiteral(
               "<generalfeedback format=\"html\"><text>&lt;p&gt; &lt;/p&gt;</text></generalfeedback>"
               "<hint format=\"html\"><text></text></hint>")
        << 1 << QString() << QString() << QString();
}

void TestImportMapping::commonFields()
{
    QFETCH(QString, extra);
    QFETCH(int, weight);
    QFETCH(QString, hint);
    QFETCH(QString, explanation);
    QFETCH(QString, warning);
    const QString body = extra + answer(QStringLiteral("100"), QStringLiteral("true")) +
                         answer(QStringLiteral("0"), QStringLiteral("false"));
    const Loaded loaded = load(moodle(moodleQuestion(QStringLiteral("truefalse"), body)));
    QVERIFY(loaded.test.loaded());
    const TTask& task = loaded.task(0);
    QCOMPARE(task.Weight, weight);
    // No hint and no explanation are empty texts, not an empty document that still offers one.
    if (hint.isEmpty())
        QCOMPARE(task.Hint, QString());
    else
        QCOMPARE(plain(task.Hint), hint);
    if (explanation.isEmpty())
        QCOMPARE(task.Explanation, QString());
    else
        QCOMPARE(plain(task.Explanation), explanation);
    if (warning.isEmpty())
        QVERIFY2(loaded.import->warnings().isEmpty(), qPrintable(loaded.warnings()));
    else
        QVERIFY2(loaded.warnings().contains(warning), qPrintable(loaded.warnings()));
}

void TestImportMapping::hintPenaltyOnlyWithHint()
{
    const QString tf = answer(QStringLiteral("100"), QStringLiteral("true")) +
                       answer(QStringLiteral("0"), QStringLiteral("false"));
    const QString withHint = moodleQuestion(
        QStringLiteral("truefalse"), tf + QStringLiteral("<hint format=\"html\"><text>Да</text></hint>"));
    const QString without = moodleQuestion(QStringLiteral("truefalse"), tf);
    TImportOptions options;
    options.HintPenalty = 2;
    const Loaded loaded = load(moodle(withHint + without), QStringLiteral("quiz.xml"), options);
    QVERIFY(loaded.test.loaded());
    QCOMPARE(loaded.task(0).HintPenalty, 2);
    QCOMPARE(loaded.task(1).HintPenalty, 0);

    // GIFT's general feedback is the explanation.
    const Loaded gift =
        load(QByteArrayLiteral("Q {=a ~b ####Потому что так.}"), QStringLiteral("q.gift"), options);
    QVERIFY(gift.test.loaded());
    QCOMPARE(plain(gift.task(0).Explanation), QStringLiteral("Потому что так."));
    QCOMPARE(gift.task(0).Hint, QString());
    QCOMPARE(gift.task(0).HintPenalty, 0);
}

void TestImportMapping::categoriesBecomeTopics()
{
    const QByteArray gift = QStringLiteral("Без темы {T}\n\n"
                                           "$CATEGORY: $course$/top/Алгебра//Геометрия/Треугольники\n\n"
                                           "Q1 {T}\n\n"
                                           "$CATEGORY: $course$/top/Физика\n\n"
                                           "Q2 {T}\n\n"
                                           "$CATEGORY: $course$/top/Алгебра//Геометрия/Треугольники\n\n"
                                           "Q3 {T}\n\n"
                                           "$CATEGORY: $course$/top/Пустая\n\n"
                                           "$CATEGORY: $course$/top/Ω-тема\n\n"
                                           "Q4 {T}\n")
                                .toUtf8();
    const Loaded loaded = load(gift, QStringLiteral("q.gift"));
    QVERIFY(loaded.test.loaded());
    QList<int> themes;
    for (const auto& task : loaded.test.Tasks)
        themes.append(task->ThemeId);
    QCOMPARE(themes, QList<int>({0, 1, 2, 1, 3}));
    const TTest& test = *loaded.test.Test;
    // The default topic stays; a category without tasks makes no topic.
    QCOMPARE(test.ThemeCount(), 4);
    QCOMPARE(test.GetTheme(0).Id, 0);
    QCOMPARE(test.GetTheme(1).Name, QStringLiteral("Треугольники"));
    QCOMPARE(test.GetTheme(2).Name, QStringLiteral("Физика"));
    QCOMPARE(test.GetTheme(3).Name, QStringLiteral("?-тема"));
    QVERIFY(loaded.warnings().contains(QStringLiteral("Категория «$course$/top/Ω-тема»")));
    // Tasks are asked in file order, as the source lists them.
    QVERIFY(!test.UseThemes);

    // Moodle's category records do the same; "//" is a slash inside a name.
    const QString tf = answer(QStringLiteral("100"), QStringLiteral("true")) +
                       answer(QStringLiteral("0"), QStringLiteral("false"));
    const Loaded xml = load(moodle(
        QStringLiteral(
            "<question type=\"category\"><category><text>$course$/top/И//ИЛИ</text></category></question>") +
        moodleQuestion(QStringLiteral("truefalse"), tf)));
    QVERIFY(xml.test.loaded());
    QCOMPARE(xml.task(0).ThemeId, 1);
    QCOMPARE(xml.test.Test->GetTheme(1).Name, QStringLiteral("И/ИЛИ"));
}

void TestImportMapping::orderingAndMatchingNotStoredSolved()
{
    // Many questions of each size: none is stored in its solved order.
    QString gift;
    for (int n = 2; n <= 10; ++n) {
        for (int variant = 0; variant < 8; ++variant) {
            QString pairs;
            for (int k = 1; k <= n; ++k)
                pairs += QStringLiteral("=L%1 -> R%1 ").arg(k);
            gift += QStringLiteral("Сопоставление %1 %2 {%3}\n\n").arg(n).arg(variant).arg(pairs);
        }
    }
    QString xml;
    for (int n = 2; n <= 10; ++n) {
        for (int variant = 0; variant < 8; ++variant) {
            QString items;
            for (int k = 1; k <= n; ++k)
                items += answer(QString::number(k), QStringLiteral("item %1").arg(k));
            xml += moodleQuestion(QStringLiteral("ordering"), items,
                                  QStringLiteral("Порядок %1 %2").arg(n).arg(variant));
        }
    }
    for (const Loaded& loaded : {load(gift.toUtf8(), QStringLiteral("q.gift")), load(moodle(xml))}) {
        QCOMPARE(loaded.test.Tasks.size(), 72u);
        for (const auto& task : loaded.test.Tasks) {
            const int n = task->VariantCount();
            bool solved = true;
            for (int i = 0; i < n; ++i)
                solved = solved && task->VariantValues[i] == i + 1;
            QVERIFY2(!solved, qPrintable(plain(task->Question)));
            QVERIFY(describe(*task).contains(QStringLiteral("1")));
        }
        QVERIFY(!loaded.test.Test->RandomVariantOrder);
    }
}

void TestImportMapping::textLimits()
{
    // The loader refuses a test with a longer text or more text in all: nothing such is written.
    const QString big = QString(300, u'я');
    QString gift = QStringLiteral("::Длинный:: ") + big + QStringLiteral(" {T}\n\n");
    for (int i = 0; i < 10; ++i)
        gift += QStringLiteral("Вопрос %1 %2 {T}\n\n").arg(i).arg(QString(20, u'ж'));
    TImportOptions options;
    options.Limits.TextBytes = 200;
    options.Limits.AllTextBytes = 16 * 20 + 16 * 8;
    const Loaded loaded = load(gift.toUtf8(), QStringLiteral("q.gift"), options);
    QVERIFY(loaded.test.loaded());
    QVERIFY2(loaded.warnings().contains(QStringLiteral("Вопрос «Длинный» (строка 1): пропущен: его текст с "
                                                       "рисунками длиннее, чем может храниться в тесте.")),
             qPrintable(loaded.warnings()));
    QVERIFY2(loaded.warnings().contains(QStringLiteral("Тексты вопросов вместе длиннее")),
             qPrintable(loaded.warnings()));
    QVERIFY(loaded.test.Tasks.size() > 0 && loaded.test.Tasks.size() < 10);
    // What was written loads within the same limits.
    TLoadOptions limits;
    limits.Limits = options.Limits;
    QVERIFY(LoadTestData(QStringLiteral("q"), loaded.import->toTestData(), {}, 0, limits).loaded());
}

void TestImportMapping::taskLimit()
{
    QString gift;
    for (int i = 0; i < 5; ++i)
        gift += QStringLiteral("Q%1 {T}\n\n").arg(i);
    TImportOptions options;
    options.Limits.Tasks = 3;
    const Loaded loaded = load(gift.toUtf8(), QStringLiteral("q.gift"), options);
    QVERIFY(loaded.test.loaded());
    QCOMPARE(loaded.test.Tasks.size(), 3u);
    QVERIFY2(loaded.warnings().contains(
                 QStringLiteral("В тест вошли первые 3 заданий: остальные вопросы (2) пропущены.")),
             qPrintable(loaded.warnings()));
}

int main(int argc, char** argv)
{
    const kvizor::test::TestEnvironment environment;
    QGuiApplication app(argc, argv);
    // Numbers are typed with the examinee's decimal comma.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    int status = 0;
    {
        TestImportMapping mapping;
        status |= QTest::qExec(&mapping, argc, argv);
    }
    {
        TestImportTexts texts;
        status |= QTest::qExec(&texts, argc, argv);
    }
    {
        TestImportParts parts;
        status |= QTest::qExec(&parts, argc, argv);
    }
    return status;
}
