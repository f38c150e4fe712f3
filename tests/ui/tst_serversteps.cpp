// The window while a server exchange waits: every command is refused or waits for its end,
// and closing the window lets the run's outputs be written first.

#include "ScreenFixture.h"

#include "common/Cp1251.h"
#include "results/ProtectedResultFile.h"
#include "run/RunTexts.h"

#include "FakeTestServer.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

using namespace kvizor;
using kvizor::testing::FakeTestServer;

namespace {

// Three tasks with skipping and "Я не знаю..." on offer.
void threeTasks(TTest& test, TTaskList& tasks)
{
    test.Title = QStringLiteral("Сеть");
    test.AllowSkipping = true;
    test.PenaltyMode = true;
    for (int i = 0; i < 3; ++i)
        tasks.push_back(makeTask(ttSingleChoice, {1, 0, 0}));
}

bool settle(ScreenWindow& w)
{
    return QTest::qWaitFor([&w] { return !w.form().exchangeUnderWay(); }, 10000);
}

// The window reporting to the fake server.
void reportTo(ScreenWindow& w, const FakeTestServer& server)
{
    w.form().Config.IsSendResult = true;
    w.form().Config.RemoteHost = QStringLiteral("127.0.0.1");
    w.form().Config.RemotePort = server.port();
}

// Brings the window into the exchange, which stalls: the server does not answer.
void reach(ScreenWindow& w, FakeTestServer& server, const QString& exchange)
{
    TStudentMainForm& form = w.form();
    if (exchange == QLatin1String("GETTEST")) {
        form.closeTest();
        server.setStalling(true);
        w.idle();
        form.AGetTest->trigger();
        return;
    }
    if (exchange == QLatin1String("INFOBEGIN")) {
        server.setStalling(true);
        w.begin();
        return;
    }
    // RESULT follows at once when INFOBEGIN failed: no progress reports then.
    if (exchange == QLatin1String("RESULT"))
        server.setRefusing(true);
    w.begin();
    QVERIFY(settle(w));
    server.setStalling(true);
    if (exchange == QLatin1String("RESULT")) {
        w.prompts.yesNoAnswers = {true};
        form.AEndTest->trigger();
    } else {
        form.ACheckAskTask->setEnabled(true);
        form.ACheckAskTask->trigger();
    }
}

void dropFile(TStudentMainForm& form, const QString& path)
{
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    QVERIFY(!drop.isAccepted());
}

// What a command could change.
struct Snapshot
{
    TRunState state;
    const TTest* test;
    const TResultTest* result;
    int asked;
    qsizetype messages;
    qsizetype questions;
    qsizetype fileDialogs;
    int finished;
    int connections;
    bool saveResult;
    QStringList recent;

    static Snapshot of(ScreenWindow& w, const FakeTestServer& server)
    {
        TStudentMainForm& form = w.form();
        const TResultTest* r = form.runController().RunResult();
        return {form.RunState(),
                form.Test(),
                r,
                r != nullptr ? r->AskedCount : -1,
                w.prompts.messages.size(),
                w.prompts.questions.size(),
                w.prompts.startFolders.size(),
                w.outputs.finished,
                server.connectionCount(),
                form.Config.IsSaveResult,
                form.PreviousFiles().entries()};
    }
    bool operator==(const Snapshot&) const = default;
};

// Enter as the examinee presses it: to the control that has the focus.
void enter(ScreenWindow& w)
{
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : &w.form(), Qt::Key_Return);
}

// A command as the examinee gives it, arriving before the idle update could disable it.
void inject(ScreenWindow& w, const QString& command, const QString& other)
{
    TStudentMainForm& form = w.form();
    // Yes for the questions the commands would ask.
    w.prompts.yesNoAnswers = {true};
    w.prompts.files = {other};
    if (command == QLatin1String("begin")) {
        force(form.ABeginTest);
    } else if (command == QLatin1String("close test")) {
        force(form.ACloseTest);
    } else if (command == QLatin1String("open")) {
        force(form.AOpenTest);
        form.OpenPreviousFile(other);
        force(form.AGetTest);
    } else if (command == QLatin1String("drop")) {
        dropFile(form, other);
    } else if (command == QLatin1String("hand-off")) {
        form.HandleHandOff(other);
    } else if (command == QLatin1String("answer")) {
        force(form.ACheckAskTask);
    } else if (command == QLatin1String("do not know")) {
        force(form.aIDoNotKnow);
    } else if (command == QLatin1String("skip")) {
        force(form.aSkippingTask);
    } else if (command == QLatin1String("go to")) {
        Q_EMIT form.ComboBoxEx1->activated(2);
    } else if (command == QLatin1String("end")) {
        force(form.AEndTest);
    } else if (command == QLatin1String("exit")) {
        // The closing's own question, when it comes, gets No.
        w.prompts.yesNoAnswers.clear();
        force(form.AExit);
    } else if (command == QLatin1String("settings")) {
        force(form.ALoadConfigNow);
        w.prompts.yesNoAnswers = {true};
        force(form.ASaveConfigNow);
        force(form.AIsSaveResult);
    } else {
        QFAIL(qPrintable(command));
    }
}

int noServerMessages(const ScreenWindow& w)
{
    return w.prompts.messageCount(texts::NoServer);
}

int evaluatedTasks(const TResultTest& r)
{
    return static_cast<int>(
        std::count_if(r.TaskResults.begin(), r.TaskResults.end(), [](std::int32_t v) { return v >= 0; }));
}

} // namespace

class TestServerSteps : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandsWhileAnExchangeStalls_data();
    void commandsWhileAnExchangeStalls();
    void doubleEnterDuringProgressReport();
    void closingDuringResult_data();
    void closingDuringResult();
};

void TestServerSteps::commandsWhileAnExchangeStalls_data()
{
    QTest::addColumn<QString>("exchange");
    QTest::addColumn<QStringList>("commands");
    // Refused commands change nothing, so one window takes them all in turn; a closing and
    // a hand-off wait for the exchange, so each has a window of its own.
    const QStringList refused = {QStringLiteral("begin"),  QStringLiteral("close test"),
                                 QStringLiteral("open"),   QStringLiteral("drop"),
                                 QStringLiteral("answer"), QStringLiteral("do not know"),
                                 QStringLiteral("skip"),   QStringLiteral("go to"),
                                 QStringLiteral("end"),    QStringLiteral("settings")};
    for (const char* exchange : {"INFOBEGIN", "INFOPROCESS", "RESULT", "GETTEST"}) {
        const QString name = QString::fromLatin1(exchange);
        QTest::addRow("%s, every command", exchange) << name << refused;
        QTest::addRow("%s, exit", exchange) << name << QStringList{QStringLiteral("exit")};
        QTest::addRow("%s, hand-off", exchange) << name << QStringList{QStringLiteral("hand-off")};
    }
}

// Each command injected while each exchange stalls is refused (a hand-off waits); the
// idle update disables them all; when the exchange ends (cancelled here: the server never
// answers) the run goes on as if the commands had never come, except that a closing or a
// hand-off that waited is carried out.
void TestServerSteps::commandsWhileAnExchangeStalls()
{
    QFETCH(QString, exchange);
    QFETCH(QStringList, commands);
    FakeTestServer server;
    QVERIFY(server.start());
    ScreenWindow w(threeTasks);
    TStudentMainForm& form = w.form();
    reportTo(w, server);
    const QString other =
        writeTestFile(QDir(w.folder()).filePath(QStringLiteral("other.kvf")), {}, QStringLiteral("Другой"));
    form.AddPreviousFile(other);
    reach(w, server, exchange);
    QVERIFY2(form.exchangeUnderWay(), qPrintable(QStringLiteral("state %1").arg(form.RunState())));

    const Snapshot before = Snapshot::of(w, server);
    const int noServerBefore = noServerMessages(w);
    for (const QString& command : std::as_const(commands)) {
        inject(w, command, other);
        QVERIFY2(form.exchangeUnderWay(), qPrintable(command));
        QVERIFY2(Snapshot::of(w, server) == before, qPrintable(command));
    }
    w.prompts.yesNoAnswers.clear();
    const QString command = commands.constFirst();

    const bool exit = command == QLatin1String("exit");
    if (exit && exchange == QLatin1String("GETTEST")) {
        // A fetch has nothing to lose: it is cancelled at once, silently, and the window goes.
        QVERIFY(QTest::qWaitFor([&form] { return !form.isVisible(); }, 5000));
        QCOMPARE(noServerMessages(w), noServerBefore);
        return;
    }
    w.idle();
    for (QAction* action :
         {form.AOpenTest, form.AGetTest, form.ACloseTest, form.ABeginTest, form.AEndTest, form.ACheckAskTask,
          form.aIDoNotKnow, form.aSkippingTask, form.AIsSaveResult, form.AAdditionConfig, form.ASaveConfigNow,
          form.ALoadConfigNow, form.miListPreviousFiles->menuAction()})
        QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
    QCOMPARE(form.AIsSaveResult->isChecked(), form.Config.IsSaveResult);
    QVERIFY(form.isVisible());

    form.cancelServerExchange();
    QVERIFY(settle(w));
    QCOMPARE(noServerMessages(w), noServerBefore + 1);

    if (exit && exchange == QLatin1String("RESULT")) {
        // The run's outputs are done: the window that waited closes by itself.
        QVERIFY(QTest::qWaitFor([&form] { return !form.isVisible(); }, 5000));
        QCOMPARE(w.outputs.finished, 1);
        return;
    }
    w.idle();
    QVERIFY(form.isVisible());
    // The closing waited, then asked as for any closing during a run; No keeps the window.
    QCOMPARE(w.prompts.questions.size() - before.questions, exit ? 1 : 0);
    if (exchange == QLatin1String("GETTEST")) {
        // A hand-off that waited is opened now that no test is loaded.
        const bool handOff = command == QLatin1String("hand-off");
        QCOMPARE(form.RunState(), handOff ? rsTestLoaded : rsNoTest);
        if (handOff)
            QCOMPARE(form.Test()->Title, QStringLiteral("Другой"));
        return;
    }
    QCOMPARE(form.Test(), before.test);
    if (exchange == QLatin1String("RESULT")) {
        QCOMPARE(form.RunState(), rsTestLoaded);
        QVERIFY(form.runController().RunResult() == nullptr);
        QCOMPARE(w.outputs.finished, 1);
        QCOMPARE(w.outputs.result->EndReason, std::uint8_t(erStopped));
        return;
    }
    QCOMPARE(form.RunState(), rsTesting);
    const TResultTest& r = *form.runController().RunResult();
    QCOMPARE(r.AskedCount, exchange == QLatin1String("INFOBEGIN") ? 1 : 2);
    QCOMPARE(r.CurrentPos, r.AskedCount - 1);
    QCOMPARE(evaluatedTasks(r), r.AskedCount - 1);
    QCOMPARE(w.outputs.finished, 0);
}

// Two presses of Enter while the first answer's INFOPROCESS waits: one move, and every task
// shown is evaluated and reported once.
void TestServerSteps::doubleEnterDuringProgressReport()
{
    FakeTestServer server;
    QVERIFY(server.start());
    ScreenWindow w(threeTasks);
    TStudentMainForm& form = w.form();
    reportTo(w, server);
    w.begin();
    QVERIFY(settle(w));
    server.setStalling(true);

    w.key(QLatin1Char('1'));
    enter(w);
    QVERIFY(form.exchangeUnderWay());
    enter(w);
    w.idle();
    QVERIFY(!form.ACheckAskTask->isEnabled());
    enter(w);
    QCOMPARE(form.runController().RunResult()->AskedCount, 1);

    // The server comes back; the waiting connection gets through on its next try.
    server.setStalling(false);
    QVERIFY(settle(w));
    const TResultTest& r = *form.runController().RunResult();
    QCOMPARE(r.AskedCount, 2);
    QCOMPARE(r.CurrentPos, 1);
    QCOMPARE(evaluatedTasks(r), 1);
    QVERIFY(form.runController().NetworkOK());

    for (int k = 0; k < 2; ++k) {
        w.key(QLatin1Char('1'));
        enter(w);
        QVERIFY(settle(w));
    }
    QCOMPARE(form.RunState(), rsTestLoaded);
    QCOMPARE(w.outputs.finished, 1);
    QCOMPARE(w.outputs.result->AskedCount, 3);
    QCOMPARE(w.outputs.result->RightCount, 3);
    QCOMPARE(evaluatedTasks(*w.outputs.result), 3);
    QVERIFY(server.waitForClosed(5));
    QStringList kinds;
    for (int i = 0; i < server.connectionCount(); ++i)
        kinds.append(QString::fromLatin1(server.received(i).left(server.received(i).indexOf('\r'))));
    QCOMPARE(kinds, (QStringList{QStringLiteral("INFOBEGIN"), QStringLiteral("INFOPROCESS"),
                                 QStringLiteral("INFOPROCESS"), QStringLiteral("INFOPROCESS"),
                                 QStringLiteral("RESULT")}));
}

void TestServerSteps::closingDuringResult_data()
{
    QTest::addColumn<bool>("serverComesBack");
    QTest::newRow("the wait runs out: RESULT cancelled") << false;
    QTest::newRow("the server comes back: RESULT sent") << true;
}

// Closing the window while RESULT waits: the closing waits for it (or cancels it after a
// while), and the run's record is written once to the log and once to the protected file
// before the window goes.
void TestServerSteps::closingDuringResult()
{
    QFETCH(bool, serverComesBack);
    FakeTestServer server;
    QVERIFY(server.start());
    ScreenWindow w(threeTasks, {}, true, [serverComesBack](TStudentMainForm::Options& options) {
        options.closeWait = std::chrono::milliseconds(serverComesBack ? 10000 : 200);
    });
    TStudentMainForm& form = w.form();
    reportTo(w, server);
    form.Config.IsSaveResult = true;
    form.Config.IsSaveProtectionResult = true;
    form.Config.DirForResult.clear();
    form.Config.ProtectionResultFileName = QStringLiteral("run.kvpr");
    w.begin();
    QVERIFY(settle(w));
    server.setStalling(true);

    // Closing during the run asks first, ends the run, and then waits for its RESULT.
    w.prompts.yesNoAnswers = {true};
    QVERIFY(!form.close());
    QCOMPARE(form.runController().Step(), TRunStep::End);
    QVERIFY(form.isVisible());
    QVERIFY(!form.close()); // a second closing joins the first
    if (serverComesBack)
        server.setStalling(false);
    QVERIFY(QTest::qWaitFor([&form] { return !form.isVisible(); }, 10000));

    QCOMPARE(w.prompts.questions.size(), 1);
    QCOMPARE(w.prompts.messages.size(), serverComesBack ? 0 : 1);
    const QList<TResultTest> records =
        LoadProtectedResults(QDir(w.folder()).filePath(QStringLiteral("run.kvpr")));
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.constFirst().EndReason, std::uint8_t(erProgramClosed));
    const QString log = readCp1251File(form.resultLogPath());
    QCOMPARE(log.count(QStringLiteral("Тест прерван - закрыта программа...")), 1);
    QCOMPARE(log.count(QStringLiteral("Закрыта программа KvizorStudent.")), 1);
    QVERIFY(log.indexOf(QStringLiteral("Тест прерван")) < log.indexOf(QStringLiteral("Закрыта программа")));
    if (serverComesBack) {
        QVERIFY(server.waitForClosed(2));
        QVERIFY(server.received(1).startsWith("RESULT\r\n"));
    }
}

#include "tst_serversteps.moc"

int runServerStepTests(int argc, char** argv)
{
    TestServerSteps t;
    return QTest::qExec(&t, argc, argv);
}
