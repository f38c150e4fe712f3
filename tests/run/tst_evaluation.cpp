#include "run/Evaluation.h"
#include "support/TestEnvironment.h"

#include "results/ResultTest.h"

#include <QLocale>
#include <QTest>

#include <memory>

using namespace kvizor;

namespace {

using TaskPtr = std::shared_ptr<TTask>;

TaskPtr makeTask(int type, int weight, const QList<int>& values, int matchCount = 0)
{
    auto t = std::make_shared<TTask>(type);
    t->Weight = weight;
    for (int k = 0; k < values.size(); ++k) {
        t->Variants[static_cast<std::size_t>(k)] = QStringLiteral("вариант %1").arg(k + 1);
        t->VariantValues[static_cast<std::size_t>(k)] = values.at(k);
    }
    for (int k = 0; k < matchCount; ++k)
        t->MatchVariants[static_cast<std::size_t>(k)] = QStringLiteral("пара %1").arg(k + 1);
    return t;
}

TaskPtr numberTask(double value, bool range = false, double min = 0, double max = 0)
{
    auto t = std::make_shared<TTask>(ttNumber);
    t->NumberValue = value;
    t->NumberIsRange = range;
    t->NumberMin = min;
    t->NumberMax = max;
    return t;
}

TaskPtr textTask(const QString& answers, bool caseSensitive = false)
{
    auto t = std::make_shared<TTask>(ttText);
    t->TextAnswers = answers;
    t->TextCaseSensitive = caseSensitive;
    return t;
}

TaskPtr pointTask()
{
    auto t = std::make_shared<TTask>(ttImagePoint);
    t->AnswerRect = {10, 20, 100, 50};
    return t;
}

TaskAnswer checked(const QList<int>& slots)
{
    TaskAnswer a;
    for (int k : slots)
        a.Checked[static_cast<std::size_t>(k)] = true;
    return a;
}

TaskAnswer lists(const QList<int>& entries)
{
    TaskAnswer a;
    for (int k = 0; k < entries.size(); ++k)
        a.ListIndex[static_cast<std::size_t>(k)] = entries.at(k);
    return a;
}

TaskAnswer typed(const QString& text)
{
    TaskAnswer a;
    a.Text = text;
    return a;
}

TaskAnswer point(int x, int y)
{
    TaskAnswer a;
    a.PointPlaced = true;
    a.PointX = x;
    a.PointY = y;
    return a;
}

QList<int> identity(int n)
{
    QList<int> order;
    for (int k = 0; k < n; ++k)
        order.append(k);
    return order;
}

struct Rules
{
    bool penalty = false;
    bool partial = false;
    bool education = false;
    EvaluationRules get() const
    {
        EvaluationRules r;
        r.PenaltyMode = penalty;
        r.NoPartialCredit = !partial;
        r.EducationMode = education;
        return r;
    }
};

FeedbackColours colours()
{
    FeedbackColours c;
    c.Correct = 0xC0FFC0;
    c.Error = 0xC0C0FF;
    for (int k = 0; k < 10; ++k)
        c.Collation[static_cast<std::size_t>(k)] = 0x100 + k + 1;
    return c;
}

} // namespace

Q_DECLARE_METATYPE(TaskPtr)
Q_DECLARE_METATYPE(TaskAnswer)
Q_DECLARE_METATYPE(Rules)

class TestEvaluation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void scoring_data()
    {
        QTest::addColumn<TaskPtr>("task");
        QTest::addColumn<TaskAnswer>("answer");
        QTest::addColumn<QList<int>>("order");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<int>("hintPenalty");
        QTest::addColumn<Rules>("rules");
        QTest::addColumn<bool>("right");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("change");
        QTest::addColumn<int>("taskResult");

        const Rules plain;
        const Rules penalty{true, false, false};
        const Rules partial{false, true, false};
        const Rules partialPenalty{true, true, false};

        // Single choice, weight 2, variant 2 right.
        const TaskPtr single = makeTask(ttSingleChoice, 2, {0, 1, 0});
        QTest::newRow("single right")
            << single << checked({1}) << identity(3) << true << -1 << plain << true << "2" << 2.0 << 2;
        QTest::newRow("single wrong")
            << single << checked({0}) << identity(3) << true << -1 << plain << false << "1" << 0.0 << 0;
        QTest::newRow("single wrong, penalty")
            << single << checked({2}) << identity(3) << true << -1 << penalty << false << "3" << -2.0 << 0;
        QTest::newRow("single nothing checked")
            << single << TaskAnswer() << identity(3) << true << -1 << plain << false << "" << 0.0 << 0;
        QTest::newRow("single shuffled") << single << checked({2}) << QList<int>{2, 0, 1} << true << -1
                                         << plain << true << "2" << 2.0 << 2;
        // Partial credit never applies to single choice.
        QTest::newRow("single wrong, partial")
            << single << checked({0}) << identity(3) << true << -1 << partial << false << "1" << 0.0 << 0;

        // The worked example: weight 4, 4 variants, 1 and 2 right; 1 and 3 checked.
        const TaskPtr multiple = makeTask(ttMultipleChoice, 4, {1, 1, 0, 0});
        const TaskAnswer example = checked({0, 2});
        QTest::newRow("example, partial")
            << multiple << example << identity(4) << true << -1 << partial << false << "1;3;" << 2.0 << 0;
        QTest::newRow("example, partial and penalty") << multiple << example << identity(4) << true << -1
                                                      << partialPenalty << false << "1;3;" << 0.0 << 0;
        QTest::newRow("example, no partial")
            << multiple << example << identity(4) << true << -1 << plain << false << "1;3;" << 0.0 << 0;
        QTest::newRow("example, no partial, penalty")
            << multiple << example << identity(4) << true << -1 << penalty << false << "1;3;" << -4.0 << 0;
        QTest::newRow("multiple right") << multiple << checked({0, 1}) << identity(4) << true << -1 << partial
                                        << true << "1;2;" << 4.0 << 4;
        QTest::newRow("multiple screen order")
            << makeTask(ttMultipleChoice, 1, {1, 0, 1}) << checked({0, 1}) << QList<int>{2, 0, 1} << true
            << -1 << plain << true << "3;1;" << 1.0 << 1;

        // Ordering, weight 3: places 2, 3, 1; variant 1 at 2, variant 2 unset, variant 3 at 1.
        const TaskPtr ordering = makeTask(ttOrdering, 3, {2, 3, 1});
        QTest::newRow("ordering partial") << ordering << lists({1, -1, 0}) << identity(3) << true << -1
                                          << partial << false << "1-2;2-0;3-1;" << 2.0 << 0;
        QTest::newRow("ordering partial, penalty")
            << ordering << lists({1, -1, 0}) << identity(3) << true << -1 << partialPenalty << false
            << "1-2;2-0;3-1;" << 1.0 << 0;
        QTest::newRow("ordering right") << ordering << lists({1, 2, 0}) << identity(3) << true << -1 << plain
                                        << true << "1-2;2-3;3-1;" << 3.0 << 3;
        // Screen slot 0 shows variant 3; the text still lists the variants in file order.
        QTest::newRow("ordering shuffled") << ordering << lists({0, 1, 2}) << QList<int>{2, 0, 1} << true
                                           << -1 << plain << true << "1-2;2-3;3-1;" << 3.0 << 3;

        // Matching: 3 left, 4 right; partners 4, 1, 2.
        const TaskPtr matching = makeTask(ttMatching, 6, {4, 1, 2}, 4);
        QTest::newRow("matching right") << matching << lists({3, 0, 1}) << identity(3) << true << -1 << plain
                                        << true << "1-4;2-1;3-2;" << 6.0 << 6;
        QTest::newRow("matching partial") << matching << lists({3, 1, -1}) << identity(3) << true << -1
                                          << partial << false << "1-4;2-2;3-0;" << 2.0 << 0;

        // True or false, weight 3: Да, Да, Нет; two answered right, one blank.
        const TaskPtr trueFalse = makeTask(ttTrueFalse, 3, {1, 1, 2});
        QTest::newRow("true-false blank, partial") << trueFalse << lists({1, 0, 2}) << identity(3) << true
                                                   << -1 << partial << false << "1-Да;2-;3-Нет;" << 2.0 << 0;
        // A blank counts neither right nor wrong, so the penalty takes nothing here.
        QTest::newRow("true-false blank, partial and penalty")
            << trueFalse << lists({1, 0, 2}) << identity(3) << true << -1 << partialPenalty << false
            << "1-Да;2-;3-Нет;" << 2.0 << 0;
        QTest::newRow("true-false one wrong, partial and penalty")
            << trueFalse << lists({1, 2, 2}) << identity(3) << true << -1 << partialPenalty << false
            << "1-Да;2-Нет;3-Нет;" << 1.0 << 0;
        QTest::newRow("true-false unanswered") << trueFalse << TaskAnswer() << identity(3) << true << -1
                                               << partial << false << "1-;2-;3-;" << 0.0 << 0;
        QTest::newRow("true-false right") << trueFalse << lists({1, 1, 2}) << identity(3) << true << -1
                                          << plain << true << "1-Да;2-Да;3-Нет;" << 3.0 << 3;

        // Number.
        QTest::newRow("number exact") << numberTask(2.5) << typed(QStringLiteral("2,5")) << QList<int>()
                                      << true << -1 << plain << true << "2,5" << 1.0 << 1;
        QTest::newRow("number other") << numberTask(2.5) << typed(QStringLiteral("2,51")) << QList<int>()
                                      << true << -1 << penalty << false << "2,51" << -1.0 << 0;
        QTest::newRow("number empty") << numberTask(0) << typed(QString()) << QList<int>() << true << -1
                                      << plain << false << "" << 0.0 << 0;
        QTest::newRow("number not a number counts as 0")
            << numberTask(0) << typed(QStringLiteral("1-2")) << QList<int>() << true << -1 << plain << true
            << "1-2" << 1.0 << 1;
        QTest::newRow("number range low edge")
            << numberTask(0, true, 1, 3) << typed(QStringLiteral("1")) << QList<int>() << true << -1 << plain
            << true << "1" << 1.0 << 1;
        QTest::newRow("number range high edge")
            << numberTask(0, true, 1, 3) << typed(QStringLiteral("3")) << QList<int>() << true << -1 << plain
            << true << "3" << 1.0 << 1;
        QTest::newRow("number range outside")
            << numberTask(0, true, 1, 3) << typed(QStringLiteral("-3,5")) << QList<int>() << true << -1
            << plain << false << "-3,5" << 0.0 << 0;

        // Text.
        const TaskPtr text = textTask(QStringLiteral("Москва\r\nMoscow"));
        QTest::newRow("text upper") << text << typed(QStringLiteral("МОСКВА")) << QList<int>() << true << -1
                                    << plain << true << "МОСКВА" << 1.0 << 1;
        QTest::newRow("text second line") << text << typed(QStringLiteral("moscow")) << QList<int>() << true
                                          << -1 << plain << true << "moscow" << 1.0 << 1;
        QTest::newRow("text trailing blank") << text << typed(QStringLiteral("Москва ")) << QList<int>()
                                             << true << -1 << plain << false << "Москва " << 0.0 << 0;
        QTest::newRow("text case counts")
            << textTask(QStringLiteral("Москва"), true) << typed(QStringLiteral("москва")) << QList<int>()
            << true << -1 << plain << false << "москва" << 0.0 << 0;
        QTest::newRow("text ё") << textTask(QStringLiteral("ёж")) << typed(QStringLiteral("ЁЖ"))
                                << QList<int>() << true << -1 << plain << true << "ЁЖ" << 1.0 << 1;
        QTest::newRow("text LF and CR lines")
            << textTask(QStringLiteral("a\nb\rc")) << typed(QStringLiteral("C")) << QList<int>() << true << -1
            << plain << true << "C" << 1.0 << 1;
        QTest::newRow("text blank line accepts nothing")
            << textTask(QStringLiteral("a\r\n\r\nb")) << typed(QString()) << QList<int>() << true << -1
            << plain << false << "" << 0.0 << 0;

        // Place on image: rect 10,20 100x50, edges included.
        QTest::newRow("point inside") << pointTask() << point(60, 45) << QList<int>() << true << -1 << plain
                                      << true << "x=60; y=45" << 1.0 << 1;
        QTest::newRow("point outside, to the right") << pointTask() << point(120, 45) << QList<int>() << true
                                                     << -1 << plain << false << "x=120; y=45" << 0.0 << 0;
        QTest::newRow("point on right and bottom edge")
            << pointTask() << point(110, 70) << QList<int>() << true << -1 << plain << true << "x=110; y=70"
            << 1.0 << 1;
        QTest::newRow("point outside") << pointTask() << point(111, 70) << QList<int>() << true << -1 << plain
                                       << false << "x=111; y=70" << 0.0 << 0;
        QTest::newRow("point not placed") << pointTask() << TaskAnswer() << QList<int>() << true << -1
                                          << penalty << false << "" << -1.0 << 0;

        // "Я не знаю...": no points either way, also in penalty mode.
        QTest::newRow("do not know") << single << checked({1}) << identity(3) << false << -1 << penalty
                                     << false << "" << 0.0 << 0;
        QTest::newRow("do not know after a hint")
            << single << checked({1}) << identity(3) << false << 1 << penalty << false << "" << -1.0 << 0;
        // Hints: the recorded penalty comes off once, whatever the verdict.
        QTest::newRow("hint 2 on right weight 5")
            << makeTask(ttSingleChoice, 5, {1}) << checked({0}) << identity(1) << true << 2 << plain << true
            << "1" << 3.0 << 5;
        QTest::newRow("free hint") << single << checked({1}) << identity(3) << true << 0 << plain << true
                                   << "2" << 2.0 << 2;
    }
    void scoring()
    {
        QFETCH(TaskPtr, task);
        QFETCH(TaskAnswer, answer);
        QFETCH(QList<int>, order);
        QFETCH(bool, answered);
        QFETCH(int, hintPenalty);
        QFETCH(Rules, rules);
        QFETCH(bool, right);
        QFETCH(QString, text);
        QFETCH(double, change);
        QFETCH(int, taskResult);

        const TaskEvaluation e =
            EvaluateTask(*task, answer, order, answered, hintPenalty, rules.get(), colours());
        QCOMPARE(e.Right, right);
        QCOMPARE(e.AnswerText, text);
        QCOMPARE(e.PointsChange(), change);
        QCOMPARE(e.TaskResult, taskResult);
        QCOMPARE(e.Prompted, hintPenalty >= 0);
        QCOMPARE(e.Weight, task->Weight);
        QVERIFY(!e.Feedback); // not in education mode

        TResultTest record(3);
        record.Points = 10;
        ApplyEvaluation(record, 1, e);
        QCOMPARE(record.Points, 10 + change);
        QCOMPARE(record.TaskAnswers.at(1), text);
        QCOMPARE(record.TaskResults, (QList<qint32>{-1, taskResult, -1}));
        QCOMPARE(record.AskedMaxPoints, task->Weight);
        QCOMPARE(record.RightCount, answered && right ? 1 : 0);
        QCOMPARE(record.WrongCount, answered && !right ? 1 : 0);
        QCOMPARE(record.SkipCount, answered ? 0 : 1);
        QCOMPARE(record.PromptCount, hintPenalty >= 0 ? 1 : 0);
    }

    void parts()
    {
        const TaskPtr multiple = makeTask(ttMultipleChoice, 4, {1, 1, 0, 0});
        TaskEvaluation e = EvaluateTask(*multiple, checked({0, 2}), identity(4), true, -1, {}, colours());
        QCOMPARE(e.RightParts, 2);
        QCOMPARE(e.WrongParts, 2);
        const TaskPtr trueFalse = makeTask(ttTrueFalse, 3, {1, 1, 2});
        e = EvaluateTask(*trueFalse, lists({1, 0, 1}), identity(3), true, -1, {}, colours());
        QCOMPARE(e.RightParts, 1);
        QCOMPARE(e.WrongParts, 1);
    }

    void feedbackMessages_data()
    {
        QTest::addColumn<TaskPtr>("task");
        QTest::addColumn<TaskAnswer>("answer");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("message");

        QTest::newRow("number, do not know") << numberTask(2.5) << TaskAnswer() << false
                                             << QStringLiteral("Неправильно...\r\nВерный ответ: 2,5.");
        QTest::newRow("number range")
            << numberTask(0, true, 1, 1e6) << typed(QStringLiteral("0")) << true
            << QStringLiteral("Неправильно...\r\nВерный ответ в диапазоне от 1 до 1000000.");
        QTest::newRow("text") << textTask(QStringLiteral("Москва\r\nMoscow")) << typed(QStringLiteral("Киев"))
                              << true << QStringLiteral("Неправильно...\r\nВерный ответ: \"Москва\".");
        QTest::newRow("text without answers") << textTask(QString()) << typed(QStringLiteral("x")) << true
                                              << QStringLiteral("Неправильно...\r\n");
        QTest::newRow("single") << makeTask(ttSingleChoice, 1, {1, 0}) << checked({1}) << true
                                << QStringLiteral("Неправильно...\r\n");
        TaskPtr explained = makeTask(ttSingleChoice, 1, {1, 0});
        explained->Explanation = QStringLiteral("{\\rtf1 потому что}");
        QTest::newRow("with explanation") << explained << checked({1}) << true
                                          << QStringLiteral("Неправильно...\r\n\r\nПоказать пояснения?");
    }
    void feedbackMessages()
    {
        QFETCH(TaskPtr, task);
        QFETCH(TaskAnswer, answer);
        QFETCH(bool, answered);
        QFETCH(QString, message);
        Rules rules;
        rules.education = true;
        const TaskEvaluation e =
            EvaluateTask(*task, answer, identity(task->VariantCount()), answered, -1, rules.get(), colours());
        QVERIFY(e.Feedback);
        QCOMPARE(e.Feedback->Message, message);
        QCOMPARE(e.Feedback->OfferExplanation, !task->Explanation.isEmpty());
    }

    void noFeedbackWhenRightOrNotEducation()
    {
        const TaskPtr single = makeTask(ttSingleChoice, 1, {1, 0});
        Rules education;
        education.education = true;
        QVERIFY(
            !EvaluateTask(*single, checked({0}), identity(2), true, -1, education.get(), colours()).Feedback);
        QVERIFY(
            !EvaluateTask(*single, checked({1}), identity(2), true, -1, Rules().get(), colours()).Feedback);
    }

    void feedbackMarksChoice()
    {
        // Variants 1 and 3 right; the examinee checked 2 and 3; screen order 3, 1, 2.
        const TaskPtr multiple = makeTask(ttMultipleChoice, 1, {1, 0, 1});
        Rules education;
        education.education = true;
        const FeedbackColours c = colours();
        const TaskEvaluation e =
            EvaluateTask(*multiple, checked({0, 2}), QList<int>{2, 0, 1}, true, -1, education.get(), c);
        QVERIFY(e.Feedback);
        const auto& s = e.Feedback->Slots;
        QCOMPARE(s[0], (SlotFeedback{QStringLiteral("+"), c.Correct, std::nullopt, std::nullopt}));
        QCOMPARE(s[1], (SlotFeedback{QStringLiteral("+"), c.Correct, std::nullopt, std::nullopt}));
        QCOMPARE(s[2], (SlotFeedback{QStringLiteral("-"), c.Error, std::nullopt, std::nullopt}));
        QCOMPARE(s[3], SlotFeedback());
    }

    void feedbackMarksLists()
    {
        Rules education;
        education.education = true;
        const FeedbackColours c = colours();

        const TaskPtr ordering = makeTask(ttOrdering, 1, {2, 1});
        TaskEvaluation e = EvaluateTask(*ordering, lists({1, 1}), identity(2), true, -1, education.get(), c);
        QCOMPARE(e.Feedback->Slots[0],
                 (SlotFeedback{QStringLiteral("2"), c.Correct, c.Correct, std::nullopt}));
        QCOMPARE(e.Feedback->Slots[1], (SlotFeedback{QStringLiteral("1"), c.Error, c.Error, std::nullopt}));

        // Matching: left texts take the colour of their partner, right texts their row's.
        const TaskPtr matching = makeTask(ttMatching, 1, {3, 1}, 3);
        e = EvaluateTask(*matching, lists({2, 2}), identity(2), true, -1, education.get(), c);
        QCOMPARE(e.Feedback->Slots[0],
                 (SlotFeedback{QStringLiteral("3"), c.Collation[2], c.Correct, c.Collation[0]}));
        QCOMPARE(e.Feedback->Slots[1],
                 (SlotFeedback{QStringLiteral("1"), c.Collation[0], c.Error, c.Collation[1]}));
        QCOMPARE(e.Feedback->Slots[2], (SlotFeedback{QString(), std::nullopt, std::nullopt, c.Collation[2]}));

        const TaskPtr trueFalse = makeTask(ttTrueFalse, 1, {1, 2});
        e = EvaluateTask(*trueFalse, lists({1, 0}), identity(2), true, -1, education.get(), c);
        QCOMPARE(e.Feedback->Slots[0],
                 (SlotFeedback{QStringLiteral("+"), c.Correct, c.Correct, std::nullopt}));
        QCOMPARE(e.Feedback->Slots[1], (SlotFeedback{QStringLiteral("-"), c.Error, c.Error, std::nullopt}));
    }

    void feedbackRectangle()
    {
        Rules education;
        education.education = true;
        const TaskEvaluation e =
            EvaluateTask(*pointTask(), point(0, 0), {}, true, -1, education.get(), colours());
        QVERIFY(e.Feedback->ShowRect);
        QCOMPARE(e.Feedback->Rect, (TAnswerRect{10, 20, 100, 50}));
        QCOMPARE(e.Feedback->Message, QStringLiteral("Неправильно...\r\n"));
    }

    void acceptedTextAnswers()
    {
        QCOMPARE(AcceptedTextAnswers(QStringLiteral("a\r\nb\nc\rd\r\n")),
                 (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                              QStringLiteral("d")}));
        QCOMPARE(AcceptedTextAnswers(QStringLiteral("\r\n\r\nx")), QStringList{QStringLiteral("x")});
        QVERIFY(AcceptedTextAnswers(QString()).isEmpty());
    }

    void numberTexts()
    {
        QCOMPARE(NumberAnswerValue(QStringLiteral("2,5")), 2.5);
        QCOMPARE(NumberAnswerValue(QStringLiteral("-0,25")), -0.25);
        QCOMPARE(NumberAnswerValue(QStringLiteral("-")), 0.0);
        QCOMPARE(FeedbackNumberText(0.1), QStringLiteral("0,1"));
        QCOMPARE(FeedbackNumberText(12345), QStringLiteral("12345"));
        QCOMPARE(FeedbackNumberText(-3), QStringLiteral("-3"));
        QCOMPARE(FeedbackNumberText(1e20), QStringLiteral("1E+20"));
    }

    void duplicatePlaces()
    {
        QCOMPARE(DuplicatePlaceSlots(lists({0, 0, 1}), 3), (QList<int>{0, 1}));
        QCOMPARE(DuplicatePlaceSlots(lists({0, 2, 1}), 3), QList<int>());
        QCOMPARE(DuplicatePlaceSlots(lists({-1, -1, 0}), 3), QList<int>());
        // Slots beyond the task's variants do not count.
        QCOMPARE(DuplicatePlaceSlots(lists({0, 1, 0}), 2), QList<int>());
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestEvaluation)
#include "tst_evaluation.moc"
