// The run controller and its journal: every change reaches the journal, a run read back from
// any cut of it goes on to the same record, clocks count the time the program was down, a
// run that cannot go on is closed with its outputs, a failing journal never stops a run, and
// ending the program ends a run without a word.

#include "ExamineeScript.h"
#include "JournalSpy.h"

#include "journal/JournalReader.h"
#include "results/ProtectedResultFile.h"
#include "run/RunTexts.h"

#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace kvizor;
using namespace kvizor::testing;

namespace {

JournalReadResult readBytes(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadJournal(buffer);
}

// A harness running the examinee's test, its journal watched.
struct ExamineeRun : RunHarness
{
    explicit ExamineeRun(Fixture fixture = examineeTest())
    {
        examineeSettings(config, network);
        controller->SetJournal(&spy);
        fixture.loadInto(*this);
    }
    // Runs the whole test; keeps the journal's bytes right after every event.
    void runToEnd()
    {
        c().BeginTest();
        while (examineeActs(c(), view)) {
        }
    }
    // The journal's bytes right after the count-th event of that name.
    QByteArray bytesAfter(const QString& event, int count = 1)
    {
        QByteArray kept;
        spy.after = [&](const QString& name, int n) {
            if (name == event && n == count)
                kept = journal.Bytes();
        };
        runToEnd();
        spy.after = nullptr;
        return kept;
    }

    JournalSpy spy{journal};
};

// The uninterrupted run's record.
TResultTest wholeRun()
{
    ExamineeRun run;
    run.runToEnd();
    return run.outputs.finished.value(0);
}

void compareWithoutTimes(const TResultTest& got, const TResultTest& want)
{
    const TResultTest a = withoutTimes(got);
    const TResultTest b = withoutTimes(want);
    QCOMPARE(a.TaskResults, b.TaskResults);
    QCOMPARE(a.TaskAnswers, b.TaskAnswers);
    QCOMPARE(a.TaskPenalties, b.TaskPenalties);
    QCOMPARE(a.AskedCount, b.AskedCount);
    QVERIFY(a.SameStoredFields(b));
}

} // namespace

class TestResume : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // After every command the journal, read back, holds the controller's run.
    void journalFollowsTheRun()
    {
        ExamineeRun h;
        h.c().BeginTest();
        int commands = 0;
        do {
            if (h.c().RunState() != rsTesting)
                break;
            const JournalReadResult read = readBytes(h.journal.Bytes());
            QCOMPARE(read.Status, JournalStatus::Ok);
            const TResultTest& want = h.r();
            const TResultTest& got = read.Run.Record;
            QVERIFY(got.SameStoredFields(want));
            QCOMPARE(got.TaskOrder, want.TaskOrder);
            QCOMPARE(got.TaskStates, want.TaskStates);
            QCOMPARE(got.CurrentPos, want.CurrentPos);
            QCOMPARE(got.VariantOrder, want.VariantOrder);
            QCOMPARE(got.AskedMaxPoints, want.AskedMaxPoints);
            QCOMPARE(read.Run.NetworkOK, h.c().NetworkOK());
            QCOMPARE(read.Run.RunGUID, h.c().RunGUID());
            QVERIFY(read.Run.TaskOnScreen);
            ++commands;
        } while (examineeActs(h.c(), h.view));
        QVERIFY(commands > 5);
        for (const char* kind :
             {"Begin", "TaskShown", "HintUsed", "TaskEvaluated", "Clocks", "NetworkChanged", "End",
              "OutputDone:ResultLog", "OutputDone:ProtectedResult", "OutputDone:ServerResult", "Discard"})
            QVERIFY2(h.spy.events.contains(QLatin1String(kind)), kind);
        QCOMPARE(h.spy.events.last(), QStringLiteral("Discard"));
        // The journal goes once the outputs are written.
        QVERIFY(!h.journal.HasStorage());
        QCOMPARE(h.journal.Bytes(), QByteArray());
    }

    // Cut at every byte, the journal reads as its last complete event; the run resumed (or
    // closed, once ended) from there ends with the uninterrupted run's record, written once,
    // and RESULT sent once with the same GUID.
    void resumesFromEveryCut()
    {
        const TResultTest want = wholeRun();
        ExamineeRun first;
        const QByteArray whole = first.bytesAfter(QStringLiteral("OutputDone:ServerResult"));
        QVERIFY(!whole.isEmpty());
        const QString guid = first.c().RunGUID();

        int lastEvents = -1;
        int resumed = 0;
        for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
            const QByteArray bytes = whole.left(cut);
            const JournalReadResult read = readBytes(bytes);
            if (read.Status == JournalStatus::Empty)
                continue;
            QCOMPARE(read.Status, JournalStatus::Ok);
            if (read.Run.EventCount == lastEvents)
                continue; // the same events as the cut before
            lastEvents = read.Run.EventCount;
            ++resumed;

            ExamineeRun h;
            h.journal.SetBytes(bytes);
            const JournalRun& run = read.Run;
            if (run.Ended)
                QVERIFY(h.c().CloseInterruptedRun(run));
            else
                QVERIFY(h.c().ResumeRun(run));
            while (examineeActs(h.c(), h.view)) {
            }
            QCOMPARE(h.c().RunState(), rsTestLoaded);
            QVERIFY(!h.c().StepUnderWay());
            if (run.OutputDone(JournalOutput::ResultLog)) {
                QVERIFY(h.outputs.finished.isEmpty());
            } else {
                QCOMPARE(h.outputs.finished.size(), 1);
                compareWithoutTimes(h.outputs.finished.first(), want);
            }
            QVERIFY(!h.network.calls.contains(QStringLiteral("INFOBEGIN")));
            QCOMPARE(h.network.calls.count(QStringLiteral("RESULT")),
                     run.OutputDone(JournalOutput::ServerResult) ? 0 : 1);
            for (const QString& sent : h.network.guids)
                QCOMPARE(sent, guid);
            QVERIFY(!h.journal.HasStorage());
        }
        QVERIFY(resumed > 20);
    }

    // Time is real time: the clocks count the time the program was down, and a limit that
    // passed meanwhile acts at once. Before the kill: task 1 answered after 3 s, task 2 on
    // screen for 2 s, 5 s in all.
    void clocksCountTheTimeDown_data()
    {
        QTest::addColumn<int>("testLimit");
        QTest::addColumn<int>("taskLimit"); // of the second task
        QTest::addColumn<int>("down");
        QTest::addColumn<int>("elapsed");
        QTest::addColumn<int>("taskSeconds");
        QTest::addColumn<int>("endReason");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("onScreen"); // task index, -1 when the run ended

        const QString none;
        QTest::newRow("no limits") << 0 << 0 << 100 << 105 << 102 << int(erNone) << none << 1;
        QTest::newRow("test limit passed")
            << 60 << 0 << 100 << 60 << 57 << int(erTimeOut) << texts::TestTimeOut << -1;
        QTest::newRow("test limit reached exactly")
            << 65 << 0 << 60 << 65 << 62 << int(erTimeOut) << texts::TestTimeOut << -1;
        QTest::newRow("test limit not reached") << 200 << 0 << 100 << 105 << 102 << int(erNone) << none << 1;
        QTest::newRow("task limit passed")
            << 0 << 30 << 100 << 105 << 30 << int(erNone) << texts::TaskTimeOut << 2;
        QTest::newRow("both passed: the test's")
            << 60 << 30 << 100 << 60 << 30 << int(erTimeOut) << texts::TestTimeOut << -1;
        QTest::newRow("clock set back") << 60 << 30 << -50 << 5 << 2 << int(erNone) << none << 1;
    }
    void clocksCountTheTimeDown()
    {
        QFETCH(int, testLimit);
        QFETCH(int, taskLimit);
        QFETCH(int, down);
        QFETCH(int, elapsed);
        QFETCH(int, taskSeconds);
        QFETCH(int, endReason);
        QFETCH(QString, message);
        QFETCH(int, onScreen);

        const auto fixture = [&] {
            Fixture f = singles(3);
            f.t().TestTimeLimit = testLimit;
            f.tasks[1]->TimeLimit = taskLimit;
            return f;
        };
        RunHarness before;
        fixture().loadInto(before);
        before.c().BeginTest();
        before.tickTest(3);
        before.tickTask(3);
        before.view.answer = rightSingle(before.r().VariantOrder);
        before.c().ACheckAskTaskExecute();
        before.tickTest(2);
        before.tickTask(2);
        const JournalReadResult read = readBytes(before.journal.Bytes());
        QCOMPARE(read.Status, JournalStatus::Ok);

        RunHarness after;
        after.clock = before.clock.addSecs(down);
        fixture().loadInto(after);
        after.journal.SetBytes(before.journal.Bytes());
        QVERIFY(after.c().ResumeRun(read.Run));

        const TResultTest& r = after.c().RunResult() != nullptr ? after.r() : after.outputs.finished.value(0);
        QCOMPARE(r.ElapsedSeconds, elapsed);
        QCOMPARE(r.GetTaskSeconds(1), taskSeconds);
        QCOMPARE(int(r.EndReason), endReason);
        QCOMPARE(r.GetTaskResult(0), 1); // the answer given before stays
        QCOMPARE(after.prompts.count(texts::TestTimeOut), message == texts::TestTimeOut ? 1 : 0);
        QCOMPARE(after.prompts.count(texts::TaskTimeOut), message == texts::TaskTimeOut ? 1 : 0);
        if (message.isEmpty())
            QCOMPARE(r.GetTaskResult(1), -1);
        else
            QCOMPARE(r.GetTaskResult(1), 0); // the controls were empty when its time ran out
        if (onScreen < 0) {
            QCOMPARE(after.c().RunState(), rsTestLoaded);
            QCOMPARE(after.outputs.finished.size(), 1);
        } else {
            QCOMPARE(after.c().RunState(), rsTesting);
            QCOMPARE(after.onScreen(), onScreen);
            QVERIFY(after.c().TestClockRunning());
            QVERIFY(after.c().TaskClockRunning());
        }
    }

    // The task that was on screen comes back as it was: its variant order, the hint already
    // paid for, the go-to list, the counters; the reports go on under the same GUID.
    void resumeShowsTheRunAsItWas()
    {
        ExamineeRun first;
        const QByteArray bytes = first.bytesAfter(QStringLiteral("HintUsed"));
        const JournalReadResult read = readBytes(bytes);
        QCOMPARE(read.Status, JournalStatus::Ok);
        const TResultTest& before = read.Run.Record;
        QCOMPARE(before.TaskOrder.at(before.CurrentPos), 1);

        ExamineeRun h;
        h.journal.SetBytes(bytes);
        QVERIFY(h.c().ResumeRun(read.Run));
        QCOMPARE(h.c().RunState(), rsTesting);
        QCOMPARE(h.c().RunGUID(), read.Run.RunGUID);
        QCOMPARE(h.view.shown.size(), 1);
        QCOMPARE(h.view.shown.first().TaskIndex, 1);
        QCOMPARE(h.view.shown.first().VariantOrder, before.VariantOrder);
        QCOMPARE(h.r().AskedCount, before.AskedCount);
        QCOMPARE(h.r().GetTaskPenalty(1), 1);
        QCOMPARE(h.view.goToImages, (QList<GoToImage>{giAnswered, giShown, giNeverShown, giNeverShown}));
        QCOMPARE(h.view.progressMaximum, 4);
        QCOMPARE(h.view.progress.last(), before.AskedCount);
        QCOMPARE(h.view.panels.value(1), QStringLiteral("2/4"));
        QCOMPARE(h.view.panels.value(10), QStringLiteral("Иванов Иван 10 А"));
        QVERIFY(h.view.iDoNotKnowVisible && h.view.skippingVisible);
        QCOMPARE(h.outputs.logLines.size(), 1);
        QVERIFY(h.outputs.logLines.first().endsWith(QStringLiteral(" Продолжен тест: \"Прерываемый тест\"")));
        // The hint already paid for opens without a question.
        h.c().aShowPromptTaskExecute();
        QCOMPARE(h.prompts.kinds(), QStringList{QStringLiteral("viewer")});

        while (examineeActs(h.c(), h.view)) {
        }
        QCOMPARE(h.network.calls, QStringList{QStringLiteral("RESULT")}); // the progress report failed before
        QCOMPARE(h.network.guids, QStringList{read.Run.RunGUID});
        compareWithoutTimes(h.outputs.finished.value(0), wholeRun());
    }

    // A journaled run goes on only with the test it began on.
    void resumeRefusesAnotherTest_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("why");
        QTest::newRow("changed file") << 0 << QStringLiteral("изменён");
        QTest::newRow("more tasks") << 1 << QStringLiteral("число заданий");
        QTest::newRow("no skipping") << 2 << QStringLiteral("пропуска");
        QTest::newRow("other variants on screen") << 3 << QStringLiteral("варианты");
    }
    void resumeRefusesAnotherTest()
    {
        QFETCH(int, change);
        QFETCH(QString, why);
        ExamineeRun first;
        const QByteArray bytes = first.bytesAfter(QStringLiteral("HintUsed"));
        const JournalReadResult read = readBytes(bytes);

        Fixture f = examineeTest();
        if (change == 1)
            f.addSingle();
        else if (change == 2)
            f.t().AllowSkipping = false;
        else if (change == 3)
            f.tasks[1]->Variants[3] = QStringLiteral("вариант 4");
        if (change == 0)
            f.t().FileCRC = 0xCAFEF00C;
        RunHarness h;
        f.loadInto(h);
        h.journal.SetBytes(bytes);
        QVERIFY2(h.c().ResumeMismatch(read.Run).contains(why), qPrintable(h.c().ResumeMismatch(read.Run)));
        QVERIFY(!h.c().ResumeRun(read.Run));
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QCOMPARE(h.c().RunResult(), nullptr);
        QVERIFY(h.view.shown.isEmpty());
    }

    // A run not gone on with is recorded as closed with the program, graded by the scale its
    // journal kept, and the outputs not yet written are written; no window, no test needed.
    void closingAnInterruptedRun_data()
    {
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("reports");
        QTest::addColumn<int>("endReason");
        QTest::addColumn<int>("logRecords");
        QTest::addColumn<int>("protectedRecords");
        QTest::addColumn<int>("results");
        QTest::newRow("mid-run") << "HintUsed" << true << int(erProgramClosed) << 1 << 1 << 1;
        QTest::newRow("mid-run, not reported") << "HintUsed" << false << int(erProgramClosed) << 1 << 1 << 0;
        QTest::newRow("ended") << "End" << true << int(erFinished) << 1 << 1 << 1;
        QTest::newRow("log written") << "OutputDone:ResultLog" << true << int(erFinished) << 0 << 1 << 1;
        QTest::newRow("protected written")
            << "OutputDone:ProtectedResult" << true << int(erFinished) << 0 << 0 << 1;
        QTest::newRow("all written") << "OutputDone:ServerResult" << true << int(erFinished) << 0 << 0 << 0;
    }
    void closingAnInterruptedRun()
    {
        QFETCH(QString, after);
        QFETCH(bool, reports);
        QFETCH(int, endReason);
        QFETCH(int, logRecords);
        QFETCH(int, protectedRecords);
        QFETCH(int, results);

        Fixture f = examineeTest();
        f.t().AllowNetReport = reports;
        f.t().Marks = {TMark{2, 0, QStringLiteral("плохо")}, TMark{7, 10, QStringLiteral("сносно")},
                       TMark{9, 90, QStringLiteral("отлично")}};
        ExamineeRun first(std::move(f));
        const QByteArray bytes = first.bytesAfter(after);
        const JournalReadResult read = readBytes(bytes);
        QCOMPARE(read.Status, JournalStatus::Ok);

        QTemporaryDir folder;
        RunHarness h; // no test loaded
        examineeSettings(h.config, h.network);
        h.config.IsSaveProtectionResult = true;
        h.programFolder = folder.path();
        h.journal.SetBytes(bytes);
        QVERIFY(h.c().CloseInterruptedRun(read.Run));
        QCOMPARE(h.c().RunState(), rsNoTest);
        QVERIFY(!h.c().StepUnderWay());
        QCOMPARE(h.outputs.finished.size(), logRecords);
        const QString storedPath = QDir(folder.path()).filePath(kDefaultProtectionResultFileName);
        const QList<TResultTest> stored =
            QFileInfo::exists(storedPath) ? LoadProtectedResults(storedPath) : QList<TResultTest>();
        QCOMPARE(stored.size(), protectedRecords);
        QCOMPARE(h.network.calls.count(QStringLiteral("RESULT")), results);
        QVERIFY(h.prompts.calls.isEmpty());
        QVERIFY(!h.outputs.events.contains(QStringLiteral("window")));
        QVERIFY(!h.journal.HasStorage());

        const TResultTest& r =
            !stored.isEmpty() ? stored.first() : h.outputs.finished.value(0, read.Run.Record);
        QCOMPARE(int(r.EndReason), endReason);
        if (endReason == erProgramClosed) {
            QVERIFY(qAbs(TResultTest::ToDateTime(r.EndTime).msecsTo(read.Run.LastEventAt)) < 1000);
            QCOMPARE(r.TestDate, r.EndTime);
            // One task of 2 points right out of 8: 25 %.
            QCOMPARE(r.MarkName, QStringLiteral("сносно"));
            QCOMPARE(r.MarkValue, 7);
            QCOMPARE(r.MarkCount, 3);
        }
    }

    // A journal that fails (a full disk) is noted once in the result log; the run goes on to
    // the same record, and what the journal kept goes at the end.
    void failingJournalNeverStopsTheRun_data()
    {
        QTest::addColumn<QString>("failAfter");
        QTest::newRow("at the beginning") << QString();
        QTest::newRow("at the first evaluation") << "TaskShown";
        QTest::newRow("at the end") << "OutputDone:ResultLog";
    }
    void failingJournalNeverStopsTheRun()
    {
        QFETCH(QString, failAfter);
        ExamineeRun h;
        h.journalMayFail = true;
        qint64 capacity = 10;
        if (!failAfter.isEmpty()) {
            ExamineeRun measure;
            capacity = measure.bytesAfter(failAfter).size() + 20;
        }
        h.journal.SetCapacity(capacity);
        h.runToEnd();
        QCOMPARE(h.outputs.finished.size(), 1);
        compareWithoutTimes(h.outputs.finished.first(), wholeRun());
        QCOMPARE(h.outputs.logLines.filter(QStringLiteral("Журнал теста не ведётся")).size(), 1);
        QVERIFY(h.outputs.logLines.filter(QStringLiteral("Журнал теста не ведётся"))
                    .first()
                    .endsWith(QStringLiteral(": нет места на диске")));
        QVERIFY(!h.journal.HasStorage());
    }

    // The program's end ends a run as "закрыта программа" wherever it comes: no question, no
    // message, no result window afterwards.
    void terminateEndsTheRunQuietly_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("endReason");
        QTest::newRow("between commands") << "idle" << int(erProgramClosed);
        QTest::newRow("inside the hint viewer") << "viewer" << int(erProgramClosed);
        QTest::newRow("inside the stop question") << "question" << int(erProgramClosed);
        QTest::newRow("while INFOPROCESS waits") << "INFOPROCESS" << int(erProgramClosed);
        QTest::newRow("while INFOBEGIN waits") << "INFOBEGIN" << int(erProgramClosed);
    }
    void terminateEndsTheRunQuietly()
    {
        QFETCH(QString, where);
        QFETCH(int, endReason);
        ExamineeRun h;
        h.network.processOk = true;
        h.config.IsShowUserResult = true;
        h.network.holding = where.startsWith(QLatin1String("INFO"));
        h.c().BeginTest();
        if (where != QLatin1String("INFOBEGIN")) {
            h.network.release(true);
            h.view.answer = rightSingle(h.r().VariantOrder);
            h.c().ACheckAskTaskExecute(); // task 1 on screen (its INFOPROCESS may wait)
        }
        const int asked = h.c().RunResult()->AskedCount;
        qsizetype callsBefore = 0;
        if (where == QLatin1String("viewer") || where == QLatin1String("question")) {
            h.network.release(true);
            h.prompts.whileOpen = [&](const PromptCall& call) {
                if (call.Kind == where && !h.c().Terminating()) {
                    callsBefore = h.prompts.calls.size();
                    h.c().Terminate();
                }
            };
            if (where == QLatin1String("viewer"))
                h.c().aShowPromptTaskExecute();
            else
                h.c().AEndTestExecute();
        } else {
            callsBefore = h.prompts.calls.size();
            h.c().Terminate();
            if (h.network.waiting()) {
                QCOMPARE(h.c().RunState(), where == QLatin1String("INFOBEGIN") ? rsTestLoaded : rsTesting);
                h.network.release(true);
            }
            h.network.release(true); // RESULT
        }
        QCOMPARE(h.c().RunState(), rsTestLoaded);
        QVERIFY(!h.c().StepUnderWay());
        QCOMPARE(h.outputs.finished.size(), 1);
        QCOMPARE(int(h.outputs.finished.first().EndReason), endReason);
        // Nothing more was shown once the end came; the run did not move on meanwhile.
        QCOMPARE(h.prompts.calls.size(), callsBefore);
        QVERIFY(!h.outputs.events.contains(QStringLiteral("window")));
        QCOMPARE(h.outputs.finished.first().AskedCount, where == QLatin1String("INFOBEGIN") ? 1 : asked);
        QCOMPARE(h.network.calls.count(QStringLiteral("RESULT")), 1);
        QVERIFY(!h.journal.HasStorage());
        // Nothing starts any more.
        h.c().BeginTest();
        QCOMPARE(h.c().RunState(), rsTestLoaded);
    }

    // A RESULT that the program's end cuts short stays due: the journal keeps the ended run
    // with its log and protected file written, for the next start.
    void resultCutShortByTheEndStaysDue()
    {
        ExamineeRun h;
        h.network.processOk = true;
        h.network.holding = true;
        h.c().BeginTest();
        h.network.release(true);
        const qsizetype callsBefore = h.prompts.calls.size();
        h.c().Terminate(); // ends the run at once; RESULT waits
        QCOMPARE(h.c().Step(), TRunStep::End);
        h.c().CancelStep();
        QVERIFY(!h.c().StepUnderWay());
        QCOMPARE(h.prompts.calls.size(), callsBefore); // no "Нет связи с сервером!"
        QVERIFY(h.journal.HasStorage());
        const JournalReadResult read = readBytes(h.journal.Bytes());
        QCOMPARE(read.Status, JournalStatus::Ok);
        QVERIFY(read.Run.Ended);
        QCOMPARE(int(read.Run.Record.EndReason), int(erProgramClosed));
        QVERIFY(read.Run.OutputDone(JournalOutput::ResultLog));
        QVERIFY(read.Run.OutputDone(JournalOutput::ProtectedResult));
        QVERIFY(!read.Run.OutputDone(JournalOutput::ServerResult));
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestResume)
#include "tst_resume.moc"
