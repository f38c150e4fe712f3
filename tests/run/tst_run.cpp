#include "RunFixtures.h"
#include "RunHarness.h"
#include "support/TestEnvironment.h"

#include "run/SystemNames.h"
#include "run/TaskOrder.h"

#include "model/TestFileWriter.h"
#include "model/TestLoader.h"
#include "results/ProtectedResultFile.h"

#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace kvizor;
using namespace kvizor::testing;

namespace {

QList<int> shownIndexes(const ScriptedView& view)
{
    QList<int> indexes;
    for (const ShownTask& s : view.shown)
        indexes.append(s.TaskIndex);
    return indexes;
}

void answerRight(RunHarness& h)
{
    h.view.answer = rightSingle(h.r().VariantOrder);
    h.c().ACheckAskTaskExecute();
}

void answerWrong(RunHarness& h)
{
    h.view.answer = wrongSingle(h.r().VariantOrder);
    h.c().ACheckAskTaskExecute();
}

Fixture withTopics(const QList<int>& taskThemes)
{
    Fixture f;
    for (int theme : taskThemes)
        f.addSingle().ThemeId = theme;
    f.t().UseThemes = true;
    return f;
}

} // namespace

class TestRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    // ---- states and starting ----

    void statesOfARun()
    {
        RunHarness h;
        QCOMPARE(h.c().RunState(), rsNoTest);
        Fixture f = singles(2);
        f.t().EducationMode = true;
        f.t().AllowSkipping = true;
        f.loadInto(h);
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QCOMPARE(h.view.panels.value(0), QStringLiteral("Тест выбран"));
        QCOMPARE(h.view.panels.value(6), QStringLiteral("О"));
        QCOMPARE(h.view.panels.value(7), QString());
        QCOMPARE(h.view.panels.value(8), QStringLiteral("C"));
        QVERIFY(!h.c().RunResult());

        // A second test cannot be handed over while one is loaded.
        QVERIFY(!h.c().TestLoaded(std::make_unique<TTest>(), {}));

        h.c().BeginTest();
        QCOMPARE(h.c().RunState(), rsTesting);
        QCOMPARE(h.view.panels.value(0), QStringLiteral("Тест идет"));
        QCOMPARE(h.view.panels.value(1), QStringLiteral("1/2"));
        QCOMPARE(h.view.panels.value(10), QStringLiteral("Иванов Иван 10 А"));
        QCOMPARE(h.view.panels.value(9), QStringLiteral("Цена 1 балл"));
        QVERIFY(h.c().TaskClockRunning());
        QVERIFY(h.c().TestClockRunning());

        h.c().ACloseTestExecute(); // only without a run
        QCOMPARE(h.c().RunState(), rsTesting);

        answerRight(h);
        answerRight(h);
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QVERIFY(!h.c().RunResult());
        QVERIFY(!h.c().TaskClockRunning());
        QVERIFY(!h.c().TestClockRunning());
        QVERIFY(h.c().Test()); // stays loaded for the next examinee

        h.c().ACloseTestExecute();
        QCOMPARE(h.c().RunState(), rsNoTest);
        QVERIFY(!h.c().Test());
        QVERIFY(h.c().Tasks().empty());
        QCOMPARE(h.view.questionAreaText, QStringLiteral("Для начала работы выберите тест!..."));
        QCOMPARE(h.view.panels.value(0), QStringLiteral("Тест не выбран"));
        QCOMPARE(h.view.panels.value(6), QString());
    }

    void beginFillsTheRecord()
    {
        RunHarness h;
        Fixture f = singles(3, 2);
        f.tasks[1]->Weight = 5;
        f.t().Title = QStringLiteral("Дроби");
        f.t().PenaltyMode = true;
        f.loadInto(h);
        h.prompts.userName = QStringLiteral("  \tПетров Пётр \n");
        h.prompts.userGroup = QStringLiteral(" 9 Б ");
        h.c().BeginTest();

        const TResultTest& r = h.r();
        QCOMPARE(r.UserName, QStringLiteral("Петров Пётр"));
        QCOMPARE(r.UserGroup, QStringLiteral("9 Б"));
        QCOMPARE(r.ComputerName, QStringLiteral("CLASS-PC7"));
        QCOMPARE(r.ComputerUserName, QStringLiteral("student"));
        QCOMPARE(r.TestTitle, QStringLiteral("Дроби"));
        QCOMPARE(r.TestFileName, QStringLiteral("/tests/Проверочный.kvf"));
        QCOMPARE(r.TestFileCRC, 0xCAFEF00Du);
        QCOMPARE(r.TestUId, QStringLiteral("{11111111-2222-3333-4444-555555555555}"));
        QCOMPARE(r.TaskOrder, (QList<int>{0, 1, 2}));
        QCOMPARE(r.TaskCount, 3);
        QCOMPARE(r.MaxPoints, 9);
        QCOMPARE(r.AskedCount, 1);
        QCOMPARE(r.CurrentPos, 0);
        QCOMPARE(r.TaskSeconds, (QList<qint32>{0, -1, -1}));
        QCOMPARE(r.TaskResults, (QList<qint32>{-1, -1, -1}));
        QVERIFY(r.TaskStates.isEmpty()); // only with skipping
        QCOMPARE(TResultTest::ToDateTime(r.StartTime), h.clock);
        QCOMPARE(r.EndReason, quint8(erNone));

        QCOMPARE(h.c().RunGUID().size(), 38);
        QVERIFY(QRegularExpression(QStringLiteral("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$"))
                    .match(h.c().RunGUID())
                    .hasMatch());
        QVERIFY(h.c().NetworkOK());
        QCOMPARE(h.outputs.logLines,
                 QStringList{QStringLiteral("15.03.2024 10:30:00 Начат тест: \"Дроби\"")});
        QVERIFY(h.view.iDoNotKnowVisible);
        QVERIFY(!h.view.skippingVisible);
        QCOMPARE(h.view.progressMaximum, 3);
        QCOMPARE(h.view.progress.last(), 1);
        QVERIFY(!h.view.checkEnabled);
        QCOMPARE(h.view.shown.first().QuestionLabel, QStringLiteral("Вопрос # 1 из 3:"));
        QCOMPARE(h.view.shown.first().VariantLabel, QStringLiteral("Выберите один из 3 вариантов ответа:"));
        QVERIFY(h.view.goToItems.isEmpty());
        QCOMPARE(h.prompts.kinds(), QStringList{QStringLiteral("identify")});
    }

    // A long host name is cut, never dropped; a long login name is dropped, never cut.
    void longComputerNames()
    {
        TConfig config;
        ScriptedView view;
        ScriptedPrompts prompts;
        RecordingOutputs outputs;
        RecordingNetwork network;
        RunEnvironment env;
        env.RealTimers = false;
        env.ComputerName = QStringLiteral("A-VERY-LONG-HOST.school.lan"); // 16 before the dot
        env.ComputerUserName = QStringLiteral("fifteen-chars15");         // 15 characters
        TRunController c(config, view, prompts, outputs, network, env);
        Fixture f = singles(1);
        f.t().Title = QStringLiteral("x");
        f.t().CountTasksToAsk(f.tasks);
        c.TestLoaded(std::move(f.test), std::move(f.tasks));
        c.BeginTest();
        QCOMPARE(c.RunResult()->ComputerName, QStringLiteral("A-VERY-LONG-HOS"));
        QCOMPARE(c.RunResult()->ComputerUserName, QStringLiteral("fifteen-chars15"));
    }

    void computerName_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("recorded");
        QTest::newRow("short") << QStringLiteral("PC-07") << QStringLiteral("PC-07");
        QTest::newRow("with domain") << QStringLiteral("pc-07.school.lan") << QStringLiteral("pc-07");
        QTest::newRow("exactly 15") << QStringLiteral("abcdefghijklmno") << QStringLiteral("abcdefghijklmno");
        QTest::newRow("long is cut") << QStringLiteral("computer-class-number-12")
                                     << QStringLiteral("computer-class-");
        QTest::newRow("long before the dot")
            << QStringLiteral("computer-class-number-12.lan") << QStringLiteral("computer-class-");
        QTest::newRow("unknown") << QString() << QString();
    }
    void computerName()
    {
        QFETCH(QString, host);
        QFETCH(QString, recorded);
        QCOMPARE(ShortComputerName(host), recorded);
    }

    void loginName_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("logName");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("recorded");
        const QString sixteen(16, QLatin1Char('u'));
        QTest::newRow("USER first") << "ivanov"
                                    << "petrov"
                                    << "sidorov"
                                    << "ivanov";
        QTest::newRow("then LOGNAME") << QString() << "petrov"
                                      << "sidorov"
                                      << "petrov";
        QTest::newRow("then the database") << QString() << QString() << "sidorov"
                                           << "sidorov";
        QTest::newRow("15 characters kept") << QString() << QString() << "fifteen-chars15"
                                            << "fifteen-chars15";
        QTest::newRow("16 characters dropped") << QString() << QString() << sixteen << QString();
        QTest::newRow("long USER dropped, not replaced") << sixteen << "petrov"
                                                         << "sidorov" << QString();
        QTest::newRow("nothing known") << QString() << QString() << QString() << QString();
    }
    void loginName()
    {
        QFETCH(QString, user);
        QFETCH(QString, logName);
        QFETCH(QString, database);
        QFETCH(QString, recorded);
        QCOMPARE(ChooseLoginName(user, logName, database), recorded);
    }

    // Without USER and LOGNAME (a service, a bare session) the name still comes from the
    // password database.
    void loginNameWithoutEnvironment()
    {
        QProcess id;
        id.start(QStringLiteral("id"), {QStringLiteral("-un")});
        if (!id.waitForFinished(5000) || id.exitCode() != 0)
            QSKIP("no id command");
        const QString expected = QString::fromLocal8Bit(id.readAllStandardOutput()).trimmed();
        std::vector<std::pair<const char*, std::optional<QByteArray>>> saved;
        for (const char* variable : {"USER", "LOGNAME"}) {
            saved.emplace_back(variable, qEnvironmentVariableIsSet(variable)
                                             ? std::optional<QByteArray>(qgetenv(variable))
                                             : std::nullopt);
            qunsetenv(variable);
        }
        const QString name = SystemUserName();
        for (const auto& [variable, value] : saved) {
            if (value)
                qputenv(variable, *value);
        }
        QCOMPARE(name, expected.size() <= 15 ? expected : QString());
        QVERIFY(!name.isEmpty() || expected.size() > 15);
    }

    void startPassword()
    {
        RunHarness h;
        Fixture f = singles(1);
        f.t().StartPassword = QStringLiteral("Secret");
        f.loadInto(h);

        h.prompts.password = std::nullopt; // cancelled
        h.c().BeginTest();
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QCOMPARE(h.prompts.kinds(), QStringList{QStringLiteral("password")});

        h.prompts.calls.clear();
        h.prompts.password = QStringLiteral("secret"); // letter case counts
        h.c().BeginTest();
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QCOMPARE(h.prompts.calls.size(), 2);
        QCOMPARE(h.prompts.calls.at(1).Caption, QStringLiteral("Ошибка!"));
        QCOMPARE(h.prompts.calls.at(1).Text, QStringLiteral("Неверный пароль!"));
        QCOMPARE(h.prompts.calls.at(1).Icon, MessageIcon::Error);

        h.prompts.calls.clear();
        h.prompts.password = QStringLiteral("Secret");
        h.c().BeginTest();
        QCOMPARE(h.c().RunState(), rsTesting);
        QCOMPARE(h.prompts.kinds(), (QStringList{QStringLiteral("password"), QStringLiteral("identify")}));
    }

    void identification()
    {
        RunHarness h;
        h.config.UserNameExpression = QStringLiteral("^N$");
        h.config.UserGroupExample = QStringLiteral("10 А");
        Fixture f = singles(1);
        f.t().Instruction = QStringLiteral("{\\rtf1 Читайте внимательно}");
        f.t().Title = QStringLiteral("Т1");
        f.loadInto(h);

        // Cancelled: nothing happens, nothing is shown.
        h.prompts.identifyAccepted = false;
        h.prompts.userName = QStringLiteral("Набранное Имя");
        h.c().BeginTest();
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QCOMPARE(h.prompts.requests.at(0).UserName, QStringLiteral("Фамилия Имя"));
        QCOMPARE(h.prompts.requests.at(0).UserGroup, QStringLiteral("Класс"));
        QCOMPARE(h.prompts.requests.at(0).UserNameExpression, QStringLiteral("^N$"));
        QCOMPARE(h.prompts.requests.at(0).UserGroupExample, QStringLiteral("10 А"));

        // An empty name (blanks only): the run does not start, without a message.
        h.prompts.identifyAccepted = true;
        h.prompts.userName = QStringLiteral("   ");
        h.c().BeginTest();
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        // The dialog keeps what was typed last time.
        QCOMPARE(h.prompts.requests.at(1).UserName, QStringLiteral("Набранное Имя"));
        QCOMPARE(h.prompts.kinds(), (QStringList{QStringLiteral("identify"), QStringLiteral("identify")}));

        h.prompts.userName = QStringLiteral("Сидоров Сидор");
        h.c().BeginTest();
        QCOMPARE(h.c().RunState(), rsTesting);
        const PromptCall instruction = h.prompts.calls.last();
        QCOMPARE(instruction.Kind, QStringLiteral("viewer"));
        QCOMPARE(instruction.Caption, QStringLiteral("Инструкция к тесту \"Т1\""));
        QCOMPARE(instruction.Text, QStringLiteral("{\\rtf1 Читайте внимательно}"));
        answerRight(h);

        // The next run starts with the previous examinee's entries.
        h.prompts.userName.reset();
        h.prompts.userGroup.reset();
        h.c().BeginTest();
        QCOMPARE(h.prompts.requests.last().UserName, QStringLiteral("Сидоров Сидор"));
        QCOMPARE(h.prompts.requests.last().UserGroup, QStringLiteral("10 А"));
        QCOMPARE(h.r().UserName, QStringLiteral("Сидоров Сидор"));
    }

    void nothingToAsk()
    {
        RunHarness h;
        Fixture f = withTopics({1, 1});
        f.t().SetTheme(1, QStringLiteral("Тема"), true, 0, QString());
        f.loadInto(h);
        h.c().BeginTest();
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QVERIFY(!h.c().RunResult());
        QCOMPARE(h.prompts.calls.last().Text, QStringLiteral("В тесте нет заданий для выполнения."));
        QVERIFY(h.outputs.logLines.isEmpty());
    }

    // ---- navigation ----

    void navigationWithSkipping()
    {
        RunHarness h;
        Fixture f = singles(3);
        f.t().AllowSkipping = true;
        f.loadInto(h);
        h.c().BeginTest();
        QCOMPARE(h.view.goToItems, (QStringList{QStringLiteral("1) Вопрос 1"), QStringLiteral("2) Вопрос 2"),
                                                QStringLiteral("3) Вопрос 3")}));
        QCOMPARE(h.r().TaskStates, (QList<int>{0, -1, -1}));
        QCOMPARE(h.view.goToImages, (QList<GoToImage>{giShown, giNeverShown, giNeverShown}));
        QVERIFY(h.view.skippingVisible);
        QVERIFY(!h.view.iDoNotKnowVisible);

        h.c().aSkippingTaskExecute(); // skipping 1 shows 2
        QCOMPARE(h.onScreen(), 1);
        QCOMPARE(h.r().AskedCount, 1);
        QCOMPARE(h.r().TaskStates, (QList<int>{0, 0, -1}));
        answerRight(h); // answering 2 shows 3
        QCOMPARE(h.onScreen(), 2);
        QCOMPARE(h.view.goToImages, (QList<GoToImage>{giShown, giAnswered, giShown}));
        answerRight(h); // answering 3 wraps to 1
        QCOMPARE(h.onScreen(), 0);
        QCOMPARE(h.r().TaskStates, (QList<int>{0, 1, 1}));
        answerRight(h); // answering 1 finishes
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QCOMPARE(shownIndexes(h.view), (QList<int>{0, 1, 2, 0}));
        const TResultTest& done = h.outputs.finished.last();
        QCOMPARE(done.EndReason, quint8(erFinished));
        QCOMPARE(done.AskedCount, 3);
        QCOMPARE(done.RightCount, 3);
        // The progress bar stood still on the skip.
        QCOMPARE(h.view.progress.mid(h.view.progress.indexOf(1)), (QList<int>{1, 1, 2, 3, 0}));
    }

    void skippingTheOnlyOpenTask()
    {
        RunHarness h;
        Fixture f = singles(2);
        f.t().AllowSkipping = true;
        f.t().RandomVariantOrder = true;
        f.loadInto(h);
        h.c().BeginTest();
        answerRight(h);
        QCOMPARE(h.onScreen(), 1);
        h.view.answer.Checked[0] = true; // touched, not answered
        h.c().aSkippingTaskExecute();
        QCOMPARE(h.onScreen(), 1);
        QCOMPARE(shownIndexes(h.view), (QList<int>{0, 1, 1}));
        QCOMPARE(h.view.answer.Checked[0], false); // shown afresh
        QCOMPARE(h.r().AskedCount, 2);
        QCOMPARE(h.r().VariantOrder.size(), 3);
        QCOMPARE(QSet<int>(h.r().VariantOrder.begin(), h.r().VariantOrder.end()), (QSet<int>{0, 1, 2}));
    }

    void goToList()
    {
        RunHarness h;
        Fixture f = singles(4);
        f.t().AllowSkipping = true;
        f.loadInto(h);
        h.c().BeginTest();
        answerRight(h); // 1 answered, 2 on screen
        const int shown = h.view.shown.size();
        h.c().GoToTask(0); // answered: ignored
        h.c().GoToTask(1); // on screen: ignored
        h.c().GoToTask(9); // no such position
        QCOMPARE(h.view.shown.size(), shown);
        QCOMPARE(h.onScreen(), 1);

        h.c().GoToTask(3);
        QCOMPARE(h.onScreen(), 3);
        QCOMPARE(h.r().AskedCount, 2); // a jump does not move the progress
        QCOMPARE(h.r().TaskStates, (QList<int>{1, 0, -1, 0}));
        answerRight(h); // the next open one after position 3 wraps to position 1
        QCOMPARE(h.onScreen(), 1);
        answerRight(h);
        QCOMPARE(h.onScreen(), 2);
        answerRight(h);
        QCOMPARE(h.outputs.finished.last().EndReason, quint8(erFinished));
        QCOMPARE(h.outputs.finished.last().AskedCount, 4);
    }

    // Each showing names the task that an answer brings next, whatever way the run moves.
    void nextTaskAnnounced_data()
    {
        QTest::addColumn<bool>("skipping");
        QTest::addColumn<int>("count");
        // a: answer, s: skip, g<n>: go to position n
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<int>>("announced"); // per showing; -1 when the run then ends
        QTest::newRow("in order") << false << 3 << QStringLiteral("a a a") << QList<int>{1, 2, -1};
        QTest::newRow("skip, then wrap to the skipped one")
            << true << 3 << QStringLiteral("s a a a") << QList<int>{1, 2, 0, -1};
        QTest::newRow("jump, then wrap")
            << true << 4 << QStringLiteral("a g3 a a a") << QList<int>{1, 2, 1, 2, -1};
        QTest::newRow("one task") << false << 1 << QStringLiteral("a") << QList<int>{-1};
    }

    void nextTaskAnnounced()
    {
        QFETCH(bool, skipping);
        QFETCH(int, count);
        QFETCH(QString, steps);
        QFETCH(QList<int>, announced);
        RunHarness h;
        Fixture f = singles(count);
        f.t().AllowSkipping = skipping;
        f.loadInto(h);
        h.c().BeginTest();
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            if (step == QLatin1String("a"))
                answerRight(h);
            else if (step == QLatin1String("s"))
                h.c().aSkippingTaskExecute();
            else
                h.c().GoToTask(step.mid(1).toInt());
        }
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QList<int> named;
        for (const ShownTask& shown : std::as_const(h.view.shown)) {
            int index = -1;
            for (std::size_t i = 0; i < h.c().Tasks().size(); ++i) {
                if (h.c().Tasks()[i].get() == shown.NextTask)
                    index = int(i);
            }
            named.append(index);
        }
        QCOMPARE(named, announced);
    }

    void navigationWithoutSkipping()
    {
        RunHarness h;
        Fixture f = singles(3);
        f.loadInto(h);
        h.c().BeginTest();
        h.c().aSkippingTaskExecute(); // not allowed
        h.c().GoToTask(2);
        QCOMPARE(h.onScreen(), 0);
        answerWrong(h);
        h.c().aIDoNotKnowExecute();
        answerRight(h);
        QCOMPARE(shownIndexes(h.view), (QList<int>{0, 1, 2}));
        const TResultTest& done = h.outputs.finished.last();
        QCOMPARE(done.EndReason, quint8(erFinished));
        QCOMPARE(done.RightCount, 1);
        QCOMPARE(done.WrongCount, 1);
        QCOMPARE(done.SkipCount, 1);
        QCOMPARE(done.GetResultMask(), QStringLiteral("1) - 2) - 3) + "));
        QCOMPARE(done.GetAnswerMask(), QStringLiteral("1) 2 2)  3) 1 "));
    }

    void randomTaskOrder()
    {
        RunHarness h;
        Fixture f = singles(6);
        f.t().RandomTaskOrder = true;
        f.loadInto(h);
        h.c().BeginTest();
        QList<int> order = h.r().TaskOrder;
        std::sort(order.begin(), order.end());
        QCOMPARE(order, (QList<int>{0, 1, 2, 3, 4, 5}));
    }

    // ---- topics ----

    void topicsQuotaInFileOrder()
    {
        // Topic 2 is listed before topic 1; topic 1 has five tasks and a quota of 2.
        Fixture f = withTopics({1, 2, 1, 1, 7, 1, 1, 2});
        f.t().SetTheme(2, QStringLiteral("Вторая"), false, 0, QString());
        f.t().SetTheme(1, QStringLiteral("Первая"), true, 2, QString());
        f.t().CountTasksToAsk(f.tasks);
        QSet<QList<int>> seen;
        for (int run = 0; run < 60; ++run) {
            const QList<int> order = BuildTaskOrder(f.t(), f.tasks);
            QCOMPARE(order.size(), 4);
            QCOMPARE(order.mid(0, 2), (QList<int>{1, 7})); // topic 2 first, all of it
            const QList<int> chosen = order.mid(2);
            QVERIFY(chosen.at(0) < chosen.at(1)); // file order
            for (int i : chosen)
                QVERIFY(QList<int>({0, 2, 3, 5, 6}).contains(i));
            seen.insert(chosen);
        }
        QVERIFY(seen.size() > 1); // the choice changes from run to run
    }

    void topicsQuotas_data()
    {
        QTest::addColumn<bool>("useQuota");
        QTest::addColumn<int>("quota");
        QTest::addColumn<int>("expected");
        QTest::newRow("quota 0") << true << 0 << 0;
        QTest::newRow("quota above the count") << true << 9 << 3;
        QTest::newRow("no quota") << false << 0 << 3;
        QTest::newRow("quota 1") << true << 1 << 1;
    }
    void topicsQuotas()
    {
        QFETCH(bool, useQuota);
        QFETCH(int, quota);
        QFETCH(int, expected);
        Fixture f = withTopics({5, 5, 5, 0});
        f.t().SetTheme(5, QStringLiteral("Т"), useQuota, quota, QString());
        f.t().CountTasksToAsk(f.tasks);
        const QList<int> order = BuildTaskOrder(f.t(), f.tasks);
        QCOMPARE(order.size(), expected + 1); // plus the task of the default topic
        QCOMPARE(order.first(), 3);
    }

    void negativeQuotaCountsAsZero()
    {
        Fixture f = withTopics({5, 5});
        f.t().Themes.append(TTheme{5, QStringLiteral("Т"), QString(), -2, true, 0});
        f.t().CountTasksToAsk(f.tasks);
        f.t().Themes.last().TasksInTheme = 2;
        QVERIFY(BuildTaskOrder(f.t(), f.tasks).isEmpty());
    }

    void topicsRandomOrderShufflesAll()
    {
        Fixture f = withTopics({1, 1, 2, 2, 2});
        f.t().SetTheme(1, QStringLiteral("a"), false, 0, QString());
        f.t().SetTheme(2, QStringLiteral("b"), false, 0, QString());
        f.t().RandomTaskOrder = true;
        f.t().CountTasksToAsk(f.tasks);
        QSet<QList<int>> seen;
        for (int run = 0; run < 40; ++run) {
            QList<int> order = BuildTaskOrder(f.t(), f.tasks);
            seen.insert(order);
            std::sort(order.begin(), order.end());
            QCOMPARE(order, (QList<int>{0, 1, 2, 3, 4}));
        }
        QVERIFY(seen.size() > 1);
    }

    void topicRunCountsOnlyChosenTasks()
    {
        RunHarness h;
        Fixture f = withTopics({1, 1, 1, 1, 1});
        for (std::size_t k = 0; k < f.tasks.size(); ++k)
            f.tasks[k]->Weight = int(k) + 1;
        f.t().SetTheme(1, QStringLiteral("Т"), true, 2, QString());
        f.loadInto(h);
        h.c().BeginTest();
        const TResultTest& r = h.r();
        QCOMPARE(r.TaskCount, 2);
        QCOMPARE(r.MaxPoints, r.TaskOrder.at(0) + 1 + r.TaskOrder.at(1) + 1);
        QCOMPARE(r.TaskResults.size(), 5); // per task of the test, not of the run
    }

    // ---- ending ----

    void stoppingEvaluatesTheTaskOnScreen()
    {
        RunHarness h;
        singles(3).loadInto(h);
        h.c().BeginTest();
        h.view.answer = rightSingle(h.r().VariantOrder);
        h.prompts.answers = {false};
        h.c().AEndTestExecute();
        QCOMPARE(h.c().RunState(), rsTesting);
        const PromptCall q = h.prompts.calls.last();
        QCOMPARE(q.Caption, QStringLiteral("Внимание! Идет тест..."));
        QCOMPARE(q.Text, QStringLiteral("Вы желаете остановить тест?"));
        QCOMPARE(q.Icon, MessageIcon::Question);

        h.prompts.answers = {true};
        h.c().AEndTestExecute();
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        const TResultTest& done = h.outputs.finished.last();
        QCOMPARE(done.EndReason, quint8(erStopped));
        QCOMPARE(done.RightCount, 1);
        QCOMPARE(done.AskedMaxPoints, 1);
        QCOMPARE(done.GetResultMask(), QStringLiteral("1) + 2) * 3) * "));
    }

    void closingTheWindow()
    {
        RunHarness h;
        QVERIFY(h.c().FormCloseQuery()); // no run: no question
        QVERIFY(h.prompts.calls.isEmpty());
        singles(2).loadInto(h);
        QVERIFY(h.c().FormCloseQuery());
        h.c().BeginTest();
        h.view.answer = rightSingle(h.r().VariantOrder);

        h.prompts.answers = {false};
        QVERIFY(!h.c().FormCloseQuery());
        QCOMPARE(h.c().RunState(), rsTesting);
        QCOMPARE(h.prompts.calls.last().Text,
                 QStringLiteral("Вы желаете выйти из программы во время теста?"));
        QCOMPARE(h.prompts.calls.last().Caption, QStringLiteral("Внимание! Идет тест..."));

        h.prompts.answers = {true};
        QVERIFY(h.c().FormCloseQuery());
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QVERIFY(!h.c().TaskClockRunning());
        const TResultTest& done = h.outputs.finished.last();
        QCOMPARE(done.EndReason, quint8(erProgramClosed));
        QCOMPARE(done.RightCount + done.WrongCount, 0); // not evaluated
        QCOMPARE(h.view.reads, 0);
        QCOMPARE(done.TaskResults, (QList<qint32>{-1, -1}));
    }

    void endOfRunOrder_data()
    {
        QTest::addColumn<bool>("education");
        QTest::addColumn<bool>("showResult");
        QTest::addColumn<bool>("reportEducation");
        QTest::addColumn<bool>("reportNormal");
        QTest::addColumn<QStringList>("expected");
        const QString base = QStringLiteral("sound summary log");
        QTest::newRow("defaults") << false << true << true << false
                                  << (base + QStringLiteral(" window")).split(QLatin1Char(' '));
        QTest::newRow("education") << true << true << true << false
                                   << (base + QStringLiteral(" window report")).split(QLatin1Char(' '));
        QTest::newRow("normal with report")
            << false << true << false << true
            << (base + QStringLiteral(" window report")).split(QLatin1Char(' '));
        QTest::newRow("results hidden") << false << false << true << false << base.split(QLatin1Char(' '));
    }
    void endOfRunOrder()
    {
        QFETCH(bool, education);
        QFETCH(bool, showResult);
        QFETCH(bool, reportEducation);
        QFETCH(bool, reportNormal);
        QFETCH(QStringList, expected);
        RunHarness h;
        h.config.IsShowUserResult = showResult;
        h.config.IsShowDetailReportModeEducation = reportEducation;
        h.config.IsShowDetailReportModeNormal = reportNormal;
        h.config.IsSendResult = true;
        Fixture f = singles(1);
        f.t().EducationMode = education;
        f.loadInto(h);
        h.c().BeginTest();
        h.view.events.clear();
        h.clock = h.clock.addSecs(95);
        answerRight(h);
        QCOMPARE(h.outputs.events, expected);
        QCOMPARE(h.view.events, QStringList{QStringLiteral("ResetTaskArea")});
        QCOMPARE(h.network.calls, (QStringList{QStringLiteral("INFOBEGIN"), QStringLiteral("INFOPROCESS"),
                                               QStringLiteral("RESULT")}));
        if (!showResult) {
            const PromptCall m = h.prompts.calls.last();
            QCOMPARE(m.Caption, QStringLiteral("Результаты тестирования"));
            QCOMPARE(m.Text,
                     QStringLiteral(
                         "Тест закончен... \r\nРезультаты тестирования\r\nВы можете узнать у руководителя."));
            QCOMPARE(m.Icon, MessageIcon::Warning);
        }
        const TResultTest& done = h.outputs.finished.last();
        QCOMPARE(TResultTest::ToDateTime(done.EndTime), h.clock);
        QCOMPARE(done.TestDate, done.EndTime);
        QCOMPARE(done.MarkValue, 5);
        QCOMPARE(done.MarkCount, 5);
        QVERIFY(!h.c().RunResult());
        QCOMPARE(h.view.progress.last(), 0);
    }

    void gradeWithZeroMaxPoints()
    {
        RunHarness h;
        Fixture f = singles(1, 0);
        f.t().SetMark(1, -5, QStringLiteral("ниже нуля"));
        f.t().SetMark(2, 0, QStringLiteral("ноль"));
        f.loadInto(h);
        h.c().BeginTest();
        answerRight(h);
        const TResultTest& done = h.outputs.finished.last();
        QCOMPARE(done.MaxPoints, 0);
        QCOMPARE(done.MarkValue, 2); // percentage 0 reaches the marks at 0 % and below
        QCOMPARE(done.MarkName, QStringLiteral("ноль"));
    }

    // ---- network hooks ----

    void networkReports()
    {
        RunHarness h;
        h.config.IsSendResult = true;
        Fixture f = singles(2, 2);
        f.loadInto(h);
        h.c().BeginTest();
        answerRight(h);
        QCOMPARE(h.network.process.size(), 1);
        const TResultTest& first = h.network.process.first();
        QCOMPARE(first.AskedCount, 1);
        QCOMPARE(first.RightCount, 1);
        QCOMPARE(first.WrongCount, 0);
        QCOMPARE(first.SkipCount, 0);
        QCOMPARE(first.Points, 2.0);
        QCOMPARE(first.AskedMaxPoints, 2);
        answerWrong(h);
        QCOMPARE(h.network.calls, (QStringList{QStringLiteral("INFOBEGIN"), QStringLiteral("INFOPROCESS"),
                                               QStringLiteral("INFOPROCESS"), QStringLiteral("RESULT")}));
        QCOMPARE(QSet<QString>(h.network.guids.begin(), h.network.guids.end()).size(), 1);
        const QString firstGuid = h.network.guids.first();

        h.network.calls.clear();
        h.network.guids.clear();
        h.c().BeginTest();
        QVERIFY(h.network.guids.first() != firstGuid); // a new run, a new GUID
    }

    void networkFailures()
    {
        RunHarness h;
        h.config.IsSendResult = true;
        h.network.beginOk = false;
        singles(2).loadInto(h);
        h.c().BeginTest();
        QVERIFY(!h.c().NetworkOK());
        QCOMPARE(h.prompts.count(QStringLiteral("Нет связи с сервером!")), 1);
        QCOMPARE(h.prompts.calls.last().Caption, QStringLiteral("Ошибка!"));
        answerRight(h);
        answerRight(h);
        // No progress reports after a failure, but the result is still sent.
        QCOMPARE(h.network.calls, (QStringList{QStringLiteral("INFOBEGIN"), QStringLiteral("RESULT")}));
        QCOMPARE(h.c().RunState(), rsTestLoaded);
    }

    void noNetworkWithoutPermission()
    {
        RunHarness h;
        h.config.IsSendResult = true;
        Fixture f = singles(1);
        f.t().AllowNetReport = false;
        f.loadInto(h);
        h.c().BeginTest();
        answerRight(h);
        QVERIFY(h.network.calls.isEmpty());

        RunHarness off;
        singles(1).loadInto(off); // IsSendResult off by default
        off.c().BeginTest();
        answerRight(off);
        QVERIFY(off.network.calls.isEmpty());
    }

    // ---- evaluation through the controller ----

    void educationFeedback()
    {
        RunHarness h;
        Fixture f = singles(2);
        f.t().EducationMode = true;
        f.tasks[0]->Explanation = QStringLiteral("{\\rtf1 Потому что}");
        f.loadInto(h);
        h.c().BeginTest();
        h.view.events.clear();
        h.prompts.answers = {true};
        answerWrong(h);
        QCOMPARE(h.view.events.mid(0, 2),
                 (QStringList{QStringLiteral("ShowFeedback"), QStringLiteral("ClearFeedbackColours")}));
        QCOMPARE(h.prompts.calls.at(h.prompts.calls.size() - 2).Text,
                 QStringLiteral("Неправильно...\r\n\r\nПоказать пояснения?"));
        QCOMPARE(h.prompts.calls.at(h.prompts.calls.size() - 2).Caption, QStringLiteral("Kvizor"));
        QCOMPARE(h.prompts.calls.last().Kind, QStringLiteral("viewer"));
        QCOMPARE(h.prompts.calls.last().Caption, QStringLiteral("Пояснение к ответу"));

        // "Я не знаю..." gets feedback too; without an explanation an OK box.
        h.c().aIDoNotKnowExecute();
        QCOMPARE(h.prompts.calls.last().Kind, QStringLiteral("message"));
        QCOMPARE(h.prompts.calls.last().Text, QStringLiteral("Неправильно...\r\n"));
        QCOMPARE(h.prompts.calls.last().Icon, MessageIcon::Information);
    }

    void orderingDuplicateCheck()
    {
        RunHarness h;
        Fixture f;
        auto task = std::make_unique<TTask>(ttOrdering);
        for (int k = 0; k < 3; ++k) {
            task->Variants[static_cast<std::size_t>(k)] = QStringLiteral("v");
            task->VariantValues[static_cast<std::size_t>(k)] = k + 1;
        }
        f.add(std::move(task));
        f.loadInto(h);
        h.c().BeginTest();
        QVERIFY(!h.view.checkEnabled);
        h.view.answer.ListIndex = {0, 0, 1, -1, -1, -1, -1, -1, -1, -1};
        h.c().VariantClick();
        QVERIFY(!h.view.checkEnabled);
        QCOMPARE(h.view.marks[0], QStringLiteral("?"));
        QCOMPARE(h.view.marks[1], QStringLiteral("?"));
        QCOMPARE(h.view.marks[2], QString());
        h.view.answer.ListIndex[1] = 2;
        h.c().VariantClick();
        QVERIFY(h.view.checkEnabled);
        QCOMPARE(h.view.marks[0], QString());
        // An incomplete ordering can be checked.
        h.view.answer.ListIndex[2] = -1;
        h.c().VariantClick();
        QVERIFY(h.view.checkEnabled);
    }

    void wholeRunScoring()
    {
        // Penalty mode with partial credit: points computed by hand below.
        RunHarness h;
        Fixture f;
        f.t().PenaltyMode = true;
        f.t().NoPartialCredit = false;
        f.addSingle(2);                                            // right: +2
        auto multiple = std::make_unique<TTask>(ttMultipleChoice); // 4 variants, 1 and 2 right
        multiple->Weight = 4;
        for (int k = 0; k < 4; ++k)
            multiple->Variants[static_cast<std::size_t>(k)] = QStringLiteral("m");
        multiple->VariantValues[0] = multiple->VariantValues[1] = 1;
        f.add(std::move(multiple));                        // 1 right, 3 checked: parts 3 right... see below
        f.addNumber(2.5, 3);                               // "Я не знаю...": 0
        f.addSingle(5).Hint = QStringLiteral("подсказка"); // wrong after a hint of 1: -1 - 5
        f.tasks[3]->HintPenalty = 1;
        f.loadInto(h);
        h.c().BeginTest();

        answerRight(h);
        TaskAnswer a; // variants 1 and 3 checked: right parts 2 (1, 4), wrong parts 2 (2, 3)
        a.Checked[0] = a.Checked[2] = true;
        h.view.answer = a;
        h.c().ACheckAskTaskExecute();
        h.c().aIDoNotKnowExecute();
        h.prompts.answers = {true};
        h.c().aShowPromptTaskExecute();
        answerWrong(h);

        const TResultTest& done = h.outputs.finished.last();
        QCOMPARE(done.Points, 2.0 + 0.0 + 0.0 - 1.0 - 5.0);
        QCOMPARE(done.MaxPoints, 14);
        QCOMPARE(done.AskedMaxPoints, 14);
        QCOMPARE(done.RightCount, 1);
        QCOMPARE(done.WrongCount, 2);
        QCOMPARE(done.SkipCount, 1);
        QCOMPARE(done.PromptCount, 1);
        QCOMPARE(done.AskedCount, 4);
        QCOMPARE(done.GetResultMask(), QStringLiteral("1) + 2) - 3) - 4) - "));
        QCOMPARE(done.GetAnswerMask(), QStringLiteral("1) 1 2) 1;3; 3)  4) 2 "));
        QCOMPARE(done.GetPenaltyMask(), QStringLiteral("1) * 2) * 3) * 4) 1 "));
        QCOMPARE(done.GetTimeMask(), QStringLiteral("1) 0 2) 0 3) 0 4) 0 "));
        QCOMPARE(done.MarkValue, 0); // a negative percentage reaches no grade
    }

    // ---- protected result file ----

    void protectedFileAfterARun()
    {
        QTemporaryDir dir;
        RunHarness h;
        h.config.IsSaveProtectionResult = true;
        h.config.DirForResult = dir.path();
        singles(2, 3).loadInto(h);
        for (int run = 0; run < 2; ++run) {
            h.c().BeginTest();
            answerRight(h);
            answerWrong(h);
        }
        const QList<TResultTest> stored =
            LoadProtectedResults(dir.filePath(QStringLiteral("KvizorStudent_ProtectionResult.kvpr")));
        QCOMPARE(stored.size(), 2);
        for (int run = 0; run < 2; ++run) {
            QVERIFY(stored.at(run).SameStoredFields(h.outputs.finished.at(run)));
            QCOMPARE(stored.at(run).Points, 3.0);
            QCOMPARE(stored.at(run).GetResultMask(), QStringLiteral("1) + 2) - "));
        }
        QVERIFY(!h.prompts.kinds().contains(QStringLiteral("message")));
    }

    void protectedFileProgramFolderAndSwitch()
    {
        QTemporaryDir dir;
        RunHarness h;
        h.programFolder = dir.path();
        singles(1).loadInto(h);
        h.c().BeginTest();
        answerRight(h);
        QVERIFY(!QFile::exists(dir.filePath(kDefaultProtectionResultFileName))); // off by default
        h.config.IsSaveProtectionResult = true;
        h.c().BeginTest();
        answerRight(h);
        QCOMPARE(LoadProtectedResults(dir.filePath(kDefaultProtectionResultFileName)).size(), 1);
    }

    void protectedFileFailuresAreReported_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");
        QTest::newRow("foreign file")
            << QByteArray("this is no result file at all") << QStringLiteral("Ошибка!")
            << QStringLiteral("Неверный тип файла!") << int(MessageIcon::Error);
        QTest::newRow("damaged") << QByteArray("KvizorProtectionResult\x78\xDA garbage")
                                 << QStringLiteral("Внимание!")
                                 << QStringLiteral("Ошибка записи в защищенный файл результатов.")
                                 << int(MessageIcon::Information);
    }
    void protectedFileFailuresAreReported()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        QFETCH(int, icon);
        QTemporaryDir dir;
        const QString path = dir.filePath(kDefaultProtectionResultFileName);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        RunHarness h;
        h.config.IsSaveProtectionResult = true;
        h.config.DirForResult = dir.path();
        h.config.IsSendResult = true;
        singles(1).loadInto(h);
        h.c().BeginTest();
        answerRight(h);
        QCOMPARE(h.prompts.count(text), 1);
        const auto call = std::find_if(h.prompts.calls.begin(), h.prompts.calls.end(),
                                       [&](const PromptCall& c) { return c.Text == text; });
        QCOMPARE(call->Caption, caption);
        QCOMPARE(int(call->Icon), icon);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
        // The later outputs still ran.
        QCOMPARE(h.network.calls.last(), QStringLiteral("RESULT"));
        QCOMPARE(h.outputs.events.last(), QStringLiteral("window"));
    }

    // ---- a test written and loaded by the model's own writer and loader ----

    void runOfALoadedTestFile()
    {
        TTest source;
        source.Title = QStringLiteral("Файловый тест");
        source.AllowSkipping = true;
        TTaskList tasks;
        auto text = std::make_unique<TTask>(ttText);
        text->Question = QStringLiteral("Столица?");
        text->TextAnswers = QStringLiteral("Москва\r\nMoscow");
        text->Weight = 2;
        tasks.push_back(std::move(text));
        auto number = std::make_unique<TTask>(ttNumber);
        number->Question = QStringLiteral("Пи?");
        number->NumberIsRange = true;
        number->NumberMin = 3.1;
        number->NumberMax = 3.2;
        tasks.push_back(std::move(number));
        const QByteArray bytes = WriteTestFileData(source, tasks);
        TLoadResult loaded =
            LoadTestData(QStringLiteral("Файловый тест.kvf"), bytes, [] { return std::nullopt; });
        QVERIFY(loaded.loaded());

        RunHarness h;
        h.c().BeginLoading();
        QVERIFY(h.c().TestLoaded(std::move(loaded.Test), std::move(loaded.Tasks)));
        h.c().BeginTest();
        QCOMPARE(h.r().TestFileCRC, h.c().Test()->FileCRC);
        QCOMPARE(h.r().TestFileName, QStringLiteral("Файловый тест.kvf"));
        h.c().aSkippingTaskExecute();
        h.view.answer.Text = QStringLiteral("3,14");
        h.c().ACheckAskTaskExecute();
        h.view.answer.Text = QStringLiteral("moscow");
        h.c().ACheckAskTaskExecute();
        const TResultTest& done = h.outputs.finished.last();
        QCOMPARE(done.Points, 3.0);
        QCOMPARE(done.GetAnswerMask(), QStringLiteral("1) moscow 2) 3,14 "));
        QCOMPARE(done.EndReason, quint8(erFinished));
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestRun)
#include "tst_run.moc"
