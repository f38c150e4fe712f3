// The window while a run's record waits for a result file that another program keeps locked:
// it paints, its timers tick and its commands are refused; the outputs follow in their order
// once the lock comes or the wait ends. Closing the window and ending the program during the
// wait lose nothing.

#include "ScreenFixture.h"

#include "results/ProtectedResultFile.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

using namespace kvizor;
using namespace std::chrono_literals;

namespace {

void twoTasks(TTest& test, TTaskList& tasks)
{
    test.Title = QStringLiteral("Замок");
    for (int i = 0; i < 2; ++i)
        tasks.push_back(makeTask(ttSingleChoice, {1, 0}));
}

// Counts the paint events a widget gets.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The window with its own outputs: both result files in its folder, a record that cannot go
// to its own file in fallback.
struct LockedWindow
{
    explicit LockedWindow(std::chrono::milliseconds lockWait, std::chrono::milliseconds closeWait = 10s)
    {
        w = std::make_unique<ScreenWindow>(twoTasks, std::vector<TWriterFile>{}, true,
                                           [&](TStudentMainForm::Options& options) {
                                               options.sharedResultFiles.LockWait = lockWait;
                                               options.sharedResultFiles.FallbackFolder = fallback.path();
                                               options.closeWait = closeWait;
                                           });
        form().Config.IsSaveResult = true;
        form().Config.IsSaveProtectionResult = true;
    }
    TStudentMainForm& form() { return w->form(); }
    QString logPath() { return form().resultLogPath(); }
    QString protectedPath() { return QDir(w->folder()).filePath(kDefaultProtectionResultFileName); }
    QString elsewhere(const QString& path) const
    {
        return QDir(fallback.path()).filePath(QFileInfo(path).fileName());
    }
    // "Закончить тест", answered Yes.
    void stop()
    {
        w->prompts.yesNoAnswers = {true};
        form().AEndTest->trigger();
    }
    QString divertedMessage(const QString& path) const
    {
        return SharedFileDivertedMessage(path, elsewhere(path));
    }

    QTemporaryDir fallback;
    std::unique_ptr<ScreenWindow> w;
};

int records(const QString& log, const QString& end)
{
    return static_cast<int>(readCp1251File(log).count(end));
}

int storedRecords(const QString& path)
{
    return QFile::exists(path) ? static_cast<int>(LoadProtectedResults(path).size()) : 0;
}

} // namespace

class TestLockWait : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowWhileARecordWaits_data();
    void windowWhileARecordWaits();
    void closingDuringTheWait_data();
    void closingDuringTheWait();
    void endingTheProgramDuringTheWait_data();
    void endingTheProgramDuringTheWait();
};

void TestLockWait::windowWhileARecordWaits_data()
{
    QTest::addColumn<bool>("log");
    QTest::addColumn<bool>("runsOut");
    QTest::newRow("log, lock let go") << true << false;
    QTest::newRow("log, wait runs out") << true << true;
    QTest::newRow("protected file, lock let go") << false << false;
    QTest::newRow("protected file, wait runs out") << false << true;
}

void TestLockWait::windowWhileARecordWaits()
{
    QFETCH(bool, log);
    QFETCH(bool, runsOut);
    LockedWindow lw(runsOut ? 200ms : 10s);
    TStudentMainForm& form = lw.form();
    lw.w->begin();
    const QString locked = log ? lw.logPath() : lw.protectedPath();
    QLockFile held(locked + QStringLiteral(".lock"));
    QVERIFY(held.tryLock(0));
    PaintCounter counter(form);

    lw.stop();
    QCOMPARE(form.runController().Step(), log ? TRunStep::ResultLog : TRunStep::ProtectedResult);
    QVERIFY(form.exchangeUnderWay());
    // The outputs after the record wait for it.
    QVERIFY(lw.w->prompts.dialogs.isEmpty());
    if (log)
        QVERIFY(!QFile::exists(lw.protectedPath()));
    QVERIFY(form.runController().RunResult() != nullptr);

    if (!runsOut) {
        // The window paints and timers tick meanwhile.
        int ticks = 0;
        QTimer tick;
        tick.callOnTimeout([&ticks] { ++ticks; });
        tick.start(5);
        const int paints = counter.paints;
        form.update();
        QTRY_VERIFY(counter.paints > paints && ticks >= 3);
        // Its commands are refused.
        lw.w->idle();
        for (QAction* action : {form.AOpenTest, form.ABeginTest, form.ACloseTest, form.AIsSaveResult,
                                form.AAdditionConfig, form.ALoadConfigNow})
            QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
        const int identifications = lw.w->prompts.identifications;
        force(form.ABeginTest);
        force(form.ACloseTest);
        QCOMPARE(lw.w->prompts.identifications, identifications);
        QVERIFY(form.Test() != nullptr);
        QCOMPARE(form.runController().Step(), log ? TRunStep::ResultLog : TRunStep::ProtectedResult);
        held.unlock();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!form.exchangeUnderWay(), 5000);

    QCOMPARE(lw.w->prompts.dialogs, QStringList{QStringLiteral("ShowResultForm")});
    QVERIFY(form.runController().RunResult() == nullptr);
    const QString logTo = log && runsOut ? lw.elsewhere(lw.logPath()) : lw.logPath();
    const QString protectedTo = !log && runsOut ? lw.elsewhere(lw.protectedPath()) : lw.protectedPath();
    QCOMPARE(records(logTo, QStringLiteral("Тест остановлен...")), 1);
    QCOMPARE(storedRecords(protectedTo), 1);
    QCOMPARE(lw.w->prompts.messages.size(), runsOut ? 1 : 0);
    QCOMPARE(lw.w->prompts.messageCount(lw.divertedMessage(locked)), runsOut ? 1 : 0);
    // The window takes commands again.
    lw.w->idle();
    QVERIFY(form.ABeginTest->isEnabled());
}

void TestLockWait::closingDuringTheWait_data()
{
    QTest::addColumn<bool>("letGo");
    QTest::addColumn<bool>("bothLocked");
    QTest::newRow("the lock is let go: the record in its file") << true << false;
    QTest::newRow("closing stops waiting: the record elsewhere") << false << false;
    QTest::newRow("both files locked: each wait cut short") << false << true;
}

// Closing the window while the log's record waits: the closing waits for it, or cuts the
// wait short after its moment and writes the record elsewhere (and so the protected file's
// wait after it); then the window goes.
void TestLockWait::closingDuringTheWait()
{
    QFETCH(bool, letGo);
    QFETCH(bool, bothLocked);
    LockedWindow lw(10s, letGo ? 10s : 300ms);
    TStudentMainForm& form = lw.form();
    lw.w->begin();
    QLockFile held(lw.logPath() + QStringLiteral(".lock"));
    QVERIFY(held.tryLock(0));
    QLockFile heldToo(lw.protectedPath() + QStringLiteral(".lock"));
    if (bothLocked)
        QVERIFY(heldToo.tryLock(0));

    lw.w->prompts.yesNoAnswers = {true};
    QVERIFY(!form.close());
    QCOMPARE(form.runController().Step(), TRunStep::ResultLog);
    QVERIFY(form.isVisible());
    QVERIFY(!form.close()); // a second closing joins the first
    if (letGo) {
        QTest::qWait(50);
        QVERIFY(form.isVisible());
        held.unlock();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 5000);

    QCOMPARE(lw.w->prompts.questions.size(), 1);
    const QString logTo = letGo ? lw.logPath() : lw.elsewhere(lw.logPath());
    QCOMPARE(records(logTo, QStringLiteral("Тест прерван - закрыта программа...")), 1);
    QCOMPARE(storedRecords(bothLocked ? lw.elsewhere(lw.protectedPath()) : lw.protectedPath()), 1);
    QCOMPARE(lw.w->prompts.messageCount(lw.divertedMessage(lw.logPath())),
             letGo ? 0 : 2); // the record, the close line
    QCOMPARE(lw.w->prompts.messageCount(lw.divertedMessage(lw.protectedPath())), bothLocked ? 1 : 0);
    const QString log = readCp1251File(logTo);
    QVERIFY(log.indexOf(QStringLiteral("Тест прерван")) < log.indexOf(QStringLiteral("Закрыта программа")));
}

void TestLockWait::endingTheProgramDuringTheWait_data()
{
    QTest::addColumn<bool>("log");
    QTest::newRow("log locked") << true;
    QTest::newRow("protected file locked") << false;
}

// Ended (logout, SIGTERM) while a record waits: the program ends within its bound without a
// word, the record that did not get its lock stays owed in the journal with the run, and the
// next start writes it, once.
void TestLockWait::endingTheProgramDuringTheWait()
{
    QFETCH(bool, log);
    QTemporaryDir dir;
    QTemporaryDir fallback;
    const QString test = writeTestFile(dir.filePath(QStringLiteral("lock.kvf")));
    const auto start = [&](ScreenPrompts& prompts) {
        TStudentMainForm::Options options;
        options.programFolder = dir.path();
        options.prompts = &prompts;
        options.realTimers = false;
        options.terminateWait = 300ms;
        options.sharedResultFiles.LockWait = 10s;
        options.sharedResultFiles.FallbackFolder = fallback.path();
        prompts.userName = QStringLiteral("Петров Пётр");
        auto window = std::make_unique<TStudentMainForm>(options);
        window->Config.IsSaveProtectionResult = true;
        window->show();
        QTest::qWait(20); // the queued start-up
        return window;
    };
    const QString logPath = QDir(dir.path()).filePath(QStringLiteral("KvizorStudent_Result.txt"));
    const QString protectedPath = QDir(dir.path()).filePath(kDefaultProtectionResultFileName);
    const QString journals = QDir(dir.path()).filePath(QStringLiteral("journal"));
    const QString closed = QStringLiteral("Тест прерван - закрыта программа...");
    {
        ScreenPrompts prompts;
        auto window = start(prompts);
        window->LoadTest(test);
        window->runController().BeginTest();
        QCOMPARE(window->RunState(), rsTesting);
        QLockFile held((log ? logPath : protectedPath) + QStringLiteral(".lock"));
        QVERIFY(held.tryLock(0));
        QSignalSpy finished(window.get(), &TStudentMainForm::terminationFinished);
        QElapsedTimer clock;
        clock.start();
        window->Terminate();
        QCOMPARE(window->runController().Step(), log ? TRunStep::ResultLog : TRunStep::ProtectedResult);
        QVERIFY(finished.wait(5000));
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(prompts.messages.isEmpty());
        QVERIFY(prompts.dialogs.isEmpty());
        QCOMPARE(records(logPath, closed), log ? 0 : 1);
        QCOMPARE(storedRecords(protectedPath), log ? 1 : 0);
        QVERIFY(!QDir(journals).isEmpty(QDir::Files));
        // Nothing of the run went elsewhere; the close line did not wait for the lock.
        QCOMPARE(storedRecords(QDir(fallback.path()).filePath(kDefaultProtectionResultFileName)), 0);
        const QString closeLines =
            readCp1251File(QDir(fallback.path()).filePath(QFileInfo(logPath).fileName()));
        QCOMPARE(closeLines.count(closed), 0);
        QCOMPARE(closeLines.count(QStringLiteral("Закрыта программа KvizorStudent.")), log ? 1 : 0);
    }
    ScreenPrompts prompts;
    auto window = start(prompts);
    QTRY_VERIFY(QDir(journals).isEmpty(QDir::Files));
    QVERIFY(prompts.questions.isEmpty());
    QVERIFY(prompts.messages.isEmpty());
    QCOMPARE(records(logPath, closed), 1);
    QCOMPARE(storedRecords(protectedPath), 1);
}

#include "tst_lockwait.moc"

int runLockWaitTests(int argc, char** argv)
{
    TestLockWait t;
    return QTest::qExec(&t, argc, argv);
}
