#include "RunFixtures.h"
#include "RunHarness.h"
#include "support/TestEnvironment.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTest>

using namespace kvizor;
using namespace kvizor::testing;

namespace {

const QString kTaskTimeOut = QStringLiteral("Время обдумывания задания вышло!");
const QString kTestTimeOut = QStringLiteral("Время теста вышло!");

void answerRightHeld(RunHarness& h)
{
    h.view.answer = rightSingle(h.r().VariantOrder);
}

// Begins a run of the fixture with a 2-second test limit that runs out as soon as a
// question box opens.
void beginRunTimingOutAtQuestion(RunHarness& h, Fixture& f)
{
    f.t().TestTimeLimit = 2;
    f.loadInto(h);
    h.c().BeginTest();
    h.prompts.whileOpen = [&h](const PromptCall& call) {
        if (call.Kind == QStringLiteral("question"))
            h.tickTest(3);
    };
}

} // namespace

class TestClocks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }

    void twelveSecondTask()
    {
        RunHarness h;
        Fixture f = singles(2);
        f.tasks[0]->TimeLimit = 12;
        f.loadInto(h);
        h.c().BeginTest();
        QCOMPARE(h.view.panels.value(3), QStringLiteral("00:00:00"));
        QCOMPARE(h.view.panels.value(5), QStringLiteral("00:00:12"));
        QVERIFY(!h.view.redPanels.value(5));

        h.tickTask(2);
        QCOMPARE(h.view.panels.value(5), QStringLiteral("00:00:10"));
        QVERIFY(!h.view.redPanels.value(5));
        h.tickTask();
        QCOMPARE(h.view.panels.value(5), QStringLiteral("00:00:09"));
        QVERIFY(h.view.redPanels.value(5));
        QCOMPARE(h.view.panels.value(3), QStringLiteral("00:00:03"));

        answerRightHeld(h); // what the controls hold when the time runs out
        h.tickTask(8);
        QCOMPARE(h.view.shown.size(), 1);
        QVERIFY(h.prompts.calls.size() == 1); // only the identification so far
        h.tickTask();
        QCOMPARE(h.prompts.calls.last().Text, kTaskTimeOut);
        QCOMPARE(h.prompts.calls.last().Caption, QStringLiteral("Внимание!"));
        QCOMPARE(h.prompts.calls.last().Icon, MessageIcon::Warning);
        QCOMPARE(h.r().TaskSeconds.at(0), 12);
        QCOMPARE(h.r().RightCount, 1);
        QCOMPARE(h.view.shown.size(), 2);
        QCOMPARE(h.onScreen(), 1);
        // The second task has no limit: panel 5 is emptied.
        QCOMPARE(h.view.panels.value(5), QString());
        QVERIFY(h.c().TaskClockRunning());
    }

    void skippedTaskGoesOnCounting()
    {
        RunHarness h;
        Fixture f = singles(2);
        f.t().AllowSkipping = true;
        f.loadInto(h);
        h.c().BeginTest();
        h.tickTask(5);
        h.c().aSkippingTaskExecute();
        QCOMPARE(h.r().TaskSeconds, (QList<qint32>{5, 0}));
        QVERIFY(h.c().TaskClockRunning()); // a skip leaves the clock running
        h.c().aSkippingTaskExecute();
        QCOMPARE(h.r().TaskSeconds, (QList<qint32>{6, 0}));
        QCOMPARE(h.view.panels.value(3), QStringLiteral("00:00:06"));
    }

    void limitReachedWhenShownAgain()
    {
        RunHarness h;
        Fixture f = singles(2);
        f.t().AllowSkipping = true;
        f.tasks[0]->TimeLimit = 3;
        f.loadInto(h);
        h.c().BeginTest();
        h.tickTask(2);
        h.c().aSkippingTaskExecute();
        h.c().aSkippingTaskExecute(); // task 1 again: its first tick reaches 3
        QCOMPARE(h.prompts.count(kTaskTimeOut), 1);
        QCOMPARE(h.r().TaskSeconds.at(0), 3);
        QCOMPARE(h.r().TaskStates, (QList<int>{1, 0}));
        QCOMPARE(h.r().WrongCount, 1);
        QCOMPARE(h.onScreen(), 1);
    }

    void testClockRunsOut()
    {
        RunHarness h;
        Fixture f = singles(3);
        f.t().TestTimeLimit = 12;
        f.loadInto(h);
        h.c().BeginTest();
        h.tickTest(2);
        QCOMPARE(h.view.panels.value(2), QStringLiteral("00:00:02"));
        QCOMPARE(h.view.panels.value(4), QStringLiteral("00:00:10"));
        QVERIFY(!h.view.redPanels.value(4));
        h.tickTest();
        QVERIFY(h.view.redPanels.value(4));
        answerRightHeld(h);
        h.tickTest(9);
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QCOMPARE(h.prompts.count(kTestTimeOut), 1);
        QCOMPARE(h.prompts.calls.last().Text, kTestTimeOut);
        const TResultTest& done = h.outputs.finished.last();
        QCOMPARE(done.EndReason, quint8(erTimeOut));
        QCOMPARE(done.ElapsedSeconds, 12);
        QCOMPARE(done.RightCount, 1); // the task on screen was evaluated as answered
        QCOMPARE(done.GetResultMask(), QStringLiteral("1) + 2) * 3) * "));
        h.tickTest(3); // after the run: nothing
        h.tickTask(3);
        QCOMPARE(h.outputs.finished.size(), 1);
    }

    void noTestLimitLeavesPanel4()
    {
        RunHarness h;
        singles(1).loadInto(h);
        h.c().BeginTest();
        h.tickTest(30);
        for (const QString& entry : h.view.panelLog)
            QVERIFY2(!entry.startsWith(QLatin1String("4:")), qPrintable(entry));
        QCOMPARE(h.view.panels.value(2), QStringLiteral("00:00:30"));
        QCOMPARE(h.c().RunState(), rsTesting);
    }

    void testTimeOutWhileFeedbackIsOpen()
    {
        RunHarness h;
        h.config.IsSendResult = true;
        Fixture f = singles(3);
        f.t().EducationMode = true;
        f.t().TestTimeLimit = 3;
        f.loadInto(h);
        h.c().BeginTest();
        h.prompts.whileOpen = [&h](const PromptCall& call) {
            if (call.Text.startsWith(QStringLiteral("Неправильно")))
                h.tickTest(5); // the time runs out while the feedback box is open
        };
        h.view.answer = wrongSingle(h.r().VariantOrder);
        h.c().ACheckAskTaskExecute();

        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QCOMPARE(h.outputs.finished.size(), 1); // finished once
        QCOMPARE(h.outputs.events.count(QStringLiteral("sound")), 1);
        QCOMPARE(h.prompts.count(kTestTimeOut), 1);
        QCOMPARE(h.network.calls.count(QStringLiteral("INFOPROCESS")), 1); // evaluated once
        QCOMPARE(h.network.calls.count(QStringLiteral("RESULT")), 1);
        QCOMPARE(h.view.shown.size(), 1); // the next task was never shown
        const TResultTest& done = h.outputs.finished.last();
        QCOMPARE(done.EndReason, quint8(erTimeOut));
        QCOMPARE(done.WrongCount, 1);
        QCOMPARE(done.AskedMaxPoints, 1);
        QCOMPARE(done.ElapsedSeconds, 3);
        QCOMPARE(done.GetResultMask(), QStringLiteral("1) - 2) * 3) * "));
    }

    void testTimeOutWhileTaskTimeOutMessageIsOpen()
    {
        RunHarness h;
        Fixture f = singles(2);
        f.tasks[0]->TimeLimit = 2;
        f.t().TestTimeLimit = 4;
        f.loadInto(h);
        h.c().BeginTest();
        h.prompts.whileOpen = [&h](const PromptCall& call) {
            if (call.Text == kTaskTimeOut)
                h.tickTest(10);
        };
        h.tickTest(1);
        h.tickTask(2);
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QCOMPARE(h.prompts.count(kTaskTimeOut), 1);
        QCOMPARE(h.prompts.count(kTestTimeOut), 1);
        QCOMPARE(h.outputs.finished.size(), 1);
        const TResultTest& done = h.outputs.finished.last();
        QCOMPARE(done.EndReason, quint8(erTimeOut));
        QCOMPARE(done.WrongCount, 1);
        QCOMPARE(done.AskedMaxPoints, 1);
        QCOMPARE(h.view.shown.size(), 1);
    }

    void taskTimeOutWhileHintIsOpen()
    {
        RunHarness h;
        Fixture f = singles(2);
        f.tasks[0]->TimeLimit = 3;
        f.tasks[0]->Hint = QStringLiteral("{\\rtf1 подсказка}");
        f.loadInto(h);
        h.c().BeginTest();
        int viewerClosedAt = -1;
        h.prompts.whileOpen = [&](const PromptCall& call) {
            if (call.Kind == QStringLiteral("viewer")) {
                h.tickTask(5); // the task clock goes on counting and runs out
                h.tickTest(5); // the test clock goes on counting too
                viewerClosedAt = int(h.prompts.calls.size());
            }
        };
        h.c().aShowPromptTaskExecute();
        QCOMPARE(viewerClosedAt, 2); // nothing else was shown while the viewer was open
        QCOMPARE(h.prompts.calls.at(2).Text, kTaskTimeOut);
        QCOMPARE(h.prompts.count(kTaskTimeOut), 1);
        QCOMPARE(h.r().TaskSeconds.at(0), 3);
        QCOMPARE(h.r().ElapsedSeconds, 5);
        QCOMPARE(h.r().WrongCount, 1);
        QCOMPARE(h.r().PromptCount, 1);
        QCOMPARE(h.onScreen(), 1);
    }

    void timeOutWhileStopQuestionIsOpen_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::newRow("No: the time-out follows") << false;
        QTest::newRow("Yes: the run is stopped") << true;
    }
    void timeOutWhileStopQuestionIsOpen()
    {
        QFETCH(bool, stop);
        RunHarness h;
        Fixture f = singles(2);
        beginRunTimingOutAtQuestion(h, f);
        h.prompts.answers = {stop};
        h.c().AEndTestExecute();
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QCOMPARE(h.outputs.finished.size(), 1);
        const TResultTest& done = h.outputs.finished.last();
        QCOMPARE(done.EndReason, quint8(stop ? erStopped : erTimeOut));
        QCOMPARE(done.WrongCount, 1);
        QCOMPARE(h.prompts.count(kTestTimeOut), stop ? 0 : 1);
    }

    void timeOutWhileCloseQueryIsOpen()
    {
        RunHarness h;
        Fixture f = singles(2);
        beginRunTimingOutAtQuestion(h, f);
        h.prompts.answers = {true};
        QVERIFY(h.c().FormCloseQuery());
        QCOMPARE(h.outputs.finished.size(), 1);
        QCOMPARE(h.outputs.finished.last().EndReason, quint8(erProgramClosed));
        QCOMPARE(h.outputs.finished.last().WrongCount, 0);
        QCOMPARE(h.prompts.count(kTestTimeOut), 0);
    }

    void ticksOutsideARun()
    {
        RunHarness h;
        h.tickTask(3);
        h.tickTest(3);
        singles(1).loadInto(h);
        h.tickTask(3);
        h.tickTest(3);
        QVERIFY(h.view.panelLog.filter(QRegularExpression(QStringLiteral("^[45]:"))).isEmpty());
    }

    // ---- hints ----

    void hintCaptions_data()
    {
        QTest::addColumn<QString>("hint");
        QTest::addColumn<int>("penalty");
        QTest::addColumn<QString>("caption");
        QTest::newRow("no hint") << QString() << 2 << QString();
        QTest::newRow("free") << QStringLiteral("h") << 0 << QStringLiteral("Показать подсказку?");
        QTest::newRow("negative") << QStringLiteral("h") << -1 << QStringLiteral("Показать подсказку?");
        QTest::newRow("1") << QStringLiteral("h") << 1 << QStringLiteral("Показать подсказку? Штраф 1 балл.");
        QTest::newRow("2") << QStringLiteral("h") << 2
                           << QStringLiteral("Показать подсказку? Штраф 2 балла.");
        QTest::newRow("11") << QStringLiteral("h") << 11
                            << QStringLiteral("Показать подсказку? Штраф 11 баллов.");
    }
    void hintCaptions()
    {
        QFETCH(QString, hint);
        QFETCH(int, penalty);
        QFETCH(QString, caption);
        TTask task(ttSingleChoice);
        task.Hint = hint;
        task.HintPenalty = penalty;
        QCOMPARE(TRunController::HintCaption(task), caption);
    }

    void hintAtAPenalty()
    {
        RunHarness h;
        Fixture f = singles(2, 5);
        f.tasks[0]->Hint = QStringLiteral("{\\rtf1 смотри рисунок}");
        f.tasks[0]->HintPenalty = 3;
        f.loadInto(h);
        h.c().BeginTest();
        QCOMPARE(h.view.shown.first().HintCaption, QStringLiteral("Показать подсказку? Штраф 3 балла."));

        h.prompts.answers = {false};
        h.c().aShowPromptTaskExecute();
        const PromptCall question = h.prompts.calls.last();
        QCOMPARE(question.Kind, QStringLiteral("question"));
        QCOMPARE(question.Caption, QStringLiteral("Kvizor"));
        QCOMPARE(question.Text, QStringLiteral("Показать подсказку?\r\nШтраф 3 балла."));
        QCOMPARE(question.Icon, MessageIcon::Question);
        QCOMPARE(h.r().TaskPenalties.at(0), -1);

        h.prompts.answers = {true};
        h.c().aShowPromptTaskExecute();
        QCOMPARE(h.r().TaskPenalties.at(0), 3);
        QCOMPARE(h.prompts.calls.last().Kind, QStringLiteral("viewer"));
        QCOMPARE(h.prompts.calls.last().Caption, QStringLiteral("Подсказка к заданию..."));
        QCOMPARE(h.prompts.calls.last().Text, QStringLiteral("{\\rtf1 смотри рисунок}"));

        const int before = int(h.prompts.calls.size());
        h.c().aShowPromptTaskExecute(); // again: no question, no second penalty
        QCOMPARE(h.prompts.calls.size(), before + 1);
        QCOMPARE(h.prompts.calls.last().Kind, QStringLiteral("viewer"));
        QCOMPARE(h.r().TaskPenalties.at(0), 3);

        h.view.answer = rightSingle(h.r().VariantOrder);
        h.c().ACheckAskTaskExecute();
        QCOMPARE(h.r().Points, 2.0); // weight 5 less the penalty 3, once
        QCOMPARE(h.r().PromptCount, 1);

        h.c().aShowPromptTaskExecute(); // the second task has no hint
        QCOMPARE(h.prompts.calls.size(), before + 1);
    }

    void freeHintAsksNothing()
    {
        RunHarness h;
        Fixture f = singles(1);
        f.tasks[0]->Hint = QStringLiteral("h");
        f.loadInto(h);
        h.c().BeginTest();
        h.c().aShowPromptTaskExecute();
        QCOMPARE(h.prompts.kinds(), (QStringList{QStringLiteral("identify"), QStringLiteral("viewer")}));
        QCOMPARE(h.r().TaskPenalties.at(0), 0);
        h.view.answer = rightSingle(h.r().VariantOrder);
        h.c().ACheckAskTaskExecute();
        QCOMPARE(h.outputs.finished.last().PromptCount, 1);
        QCOMPARE(h.outputs.finished.last().Points, 1.0);
        QCOMPARE(h.outputs.finished.last().GetPenaltyMask(), QStringLiteral("1) 0 "));
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestClocks)
#include "tst_clocks.moc"
