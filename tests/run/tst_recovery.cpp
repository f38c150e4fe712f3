// Interrupted runs found in the journal folder at start-up: the question, resuming from the
// same test file (or the server test kept in the journal), closing a run that cannot or
// should not go on, ended runs finished without a question, damaged journals set aside.

#include "ExamineeScript.h"
#include "JournalSpy.h"

#include "common/TextFormats.h"
#include "journal/JournalStore.h"
#include "model/ReceivedCopy.h"
#include "model/TestLoader.h"
#include "results/ProtectedResultFile.h"
#include "run/RunRecovery.h"
#include "run/RunTexts.h"

#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kvizor;
using namespace kvizor::testing;

namespace {

// Records which kind of Yes/No was asked.
struct RecoveryPrompts : ScriptedPrompts
{
    bool AskYesNoDefaultYes(const QString& caption, const QString& text) override
    {
        defaultYes.append(text);
        return AskYesNo(caption, text, MessageIcon::Question);
    }
    QStringList defaultYes;
};

// A program's controller over a journal folder, its prompts scripted.
struct Program : RunHarness
{
    explicit Program(const QString& folder) : store(QDir(folder).filePath(QStringLiteral("journal")))
    {
        examineeSettings(config, network);
        config.IsSaveProtectionResult = true;
        programFolder = folder;
        controller =
            std::make_unique<TRunController>(config, view, recoveryPrompts, outputs, network, environment());
        controller->SetJournal(&spy);
        recovery = std::make_unique<TRunRecovery>(store, *controller, recoveryPrompts, outputs);
    }
    RunEnvironment environment()
    {
        RunEnvironment env;
        env.Now = [this] { return clock; };
        env.ProgramFolder = [this] { return programFolder; };
        env.ComputerName = QStringLiteral("CLASS-PC7");
        env.RealTimers = false;
        return env;
    }
    // Opens a test file as the window does (password given) and begins a run.
    void begin(const QString& path, const QString& password = QString())
    {
        TLoadResult loaded = LoadTestFile(path, [&] { return std::optional<QString>(password); });
        QVERIFY(loaded.loaded());
        c().BeginLoading();
        QVERIFY(c().TestLoaded(std::move(loaded.Test), std::move(loaded.Tasks)));
        c().BeginTest();
        QCOMPARE(c().RunState(), rsTesting);
    }
    // Acts until the event has come; the program is then killed there: when it is destroyed,
    // its journal file is put back as it was right after the event.
    void actUntil(const QString& event)
    {
        spy.after = [&](const QString& name, int) {
            if (name != event || !killedAt.isEmpty())
                return;
            killedPath = fileJournal->Path();
            QFile file(killedPath);
            QVERIFY(file.open(QIODevice::ReadOnly));
            killedAt = file.readAll();
        };
        while (killedAt.isEmpty() && examineeActs(c(), view)) {
        }
        spy.after = nullptr;
        QVERIFY(!killedAt.isEmpty());
    }
    ~Program()
    {
        if (killedAt.isEmpty())
            return;
        controller.reset();
        fileJournal.reset();
        QFile file(killedPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate,
                       QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
            file.write(killedAt) != killedAt.size())
            QTest::qFail("the killed journal could not be put back", __FILE__, __LINE__);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    void finish()
    {
        while (examineeActs(c(), view)) {
        }
    }
    QStringList journals() const { return QDir(store.Folder()).entryList(QDir::Files | QDir::Hidden); }
    QList<TResultTest> stored() const
    {
        const QString path = QDir(programFolder).filePath(kDefaultProtectionResultFileName);
        return QFile::exists(path) ? LoadProtectedResults(path) : QList<TResultTest>();
    }

    RecoveryPrompts recoveryPrompts;
    JournalStore store;
    std::unique_ptr<FileRunJournal> fileJournal = store.NewJournal();
    JournalSpy spy{*fileJournal};
    std::unique_ptr<TRunRecovery> recovery;
    QString killedPath;
    QByteArray killedAt;
};

QString writeTest(const QString& folder, const QString& openPassword = QString())
{
    Fixture f = examineeTest();
    f.t().OpenPassword = openPassword;
    const QString path = QDir(folder).filePath(QStringLiteral("Прерываемый.kvf"));
    WriteTestFileToPath(path, f.t(), f.tasks);
    return path;
}

// A program that began a run on the test and was killed right after the event.
void leaveInterruptedRun(const QString& folder, const QString& test, const QString& event)
{
    Program killed(folder);
    killed.begin(test);
    killed.actUntil(event);
}

// The uninterrupted run's record.
TResultTest wholeRun(const QString& testPath)
{
    QTemporaryDir folder;
    Program p(folder.path());
    p.begin(testPath);
    p.finish();
    return p.outputs.finished.value(0);
}

void compareWithoutTimes(const TResultTest& got, const TResultTest& want)
{
    QVERIFY(withoutTimes(got).SameStoredFields(withoutTimes(want)));
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The question names the test, the examinee and the start, with Yes the default; Yes goes
    // on with the same run from the same file, to the same record.
    void offeredAndResumed()
    {
        QTemporaryDir dir;
        const QString test = writeTest(dir.path());
        QString guid;
        {
            Program killed(dir.path());
            killed.begin(test);
            killed.actUntil(QStringLiteral("HintUsed"));
            guid = killed.c().RunGUID();
        }
        Program p(dir.path());
        p.clock = p.clock.addSecs(30);
        QCOMPARE(p.recovery->Offer(), TRunRecovery::Outcome::Resumed);
        const QString question =
            QStringLiteral("Продолжить прерванный тест \"Прерываемый тест\" (Иванов Иван, 10 А, "
                           "начат %1)?")
                .arg(formatDateTime(p.clock.addSecs(-30)));
        QCOMPARE(p.recoveryPrompts.defaultYes, QStringList{question});
        QCOMPARE(p.c().RunState(), rsTesting);
        QCOMPARE(p.c().RunGUID(), guid);
        QCOMPARE(p.c().Test()->FileName, test);
        QCOMPARE(p.onScreen(), 1);
        QCOMPARE(p.journals().size(), 1); // the same journal goes on
        p.finish();
        QCOMPARE(p.stored().size(), 1);
        compareWithoutTimes(p.stored().first(), wholeRun(test));
        QVERIFY(p.journals().isEmpty());
        // Nothing is left to offer.
        QCOMPARE(p.recovery->Offer(), TRunRecovery::Outcome::None);
        QCOMPARE(p.recoveryPrompts.defaultYes.size(), 1);
    }

    // No: the run is recorded as closed with the program, with all its outputs.
    void declinedRunIsClosed()
    {
        QTemporaryDir dir;
        const QString test = writeTest(dir.path());
        leaveInterruptedRun(dir.path(), test, QStringLiteral("TaskEvaluated"));
        Program p(dir.path());
        p.recoveryPrompts.answers = {false};
        QCOMPARE(p.recovery->Offer(), TRunRecovery::Outcome::None);
        QCOMPARE(p.c().RunState(), rsNoTest);
        QCOMPARE(p.outputs.finished.size(), 1);
        QCOMPARE(int(p.outputs.finished.first().EndReason), int(erProgramClosed));
        QCOMPARE(p.outputs.finished.first().GetTaskResult(0), 2);
        QCOMPARE(p.stored().size(), 1);
        QCOMPARE(p.network.calls, QStringList{QStringLiteral("RESULT")});
        QVERIFY(p.journals().isEmpty());
    }

    // The program told to end while it asks leaves the run for the next start.
    void endWhileAskingLeavesTheRun()
    {
        QTemporaryDir dir;
        const QString test = writeTest(dir.path());
        leaveInterruptedRun(dir.path(), test, QStringLiteral("TaskEvaluated"));
        Program p(dir.path());
        p.recoveryPrompts.answers = {false}; // the box closed as the program ends
        p.recoveryPrompts.whileOpen = [&p](const PromptCall&) { p.c().Terminate(); };
        QCOMPARE(p.recovery->Offer(), TRunRecovery::Outcome::None);
        QVERIFY(p.outputs.finished.isEmpty());
        QVERIFY(p.stored().isEmpty());
        QCOMPARE(p.journals().size(), 1);
    }

    // A test file that changed or went away: the run cannot go on; the examinee is told and
    // the run recorded as interrupted.
    void testChangedOrGone_data()
    {
        QTest::addColumn<bool>("remove");
        QTest::addColumn<QString>("why");
        QTest::newRow("changed") << false << QStringLiteral("файл теста изменён");
        QTest::newRow("gone") << true << QStringLiteral("файл теста не найден");
    }
    void testChangedOrGone()
    {
        QFETCH(bool, remove);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const QString test = writeTest(dir.path());
        leaveInterruptedRun(dir.path(), test, QStringLiteral("TaskShown"));
        if (remove) {
            QVERIFY(QFile::remove(test));
        } else {
            Fixture f = examineeTest();
            f.t().Title = QStringLiteral("Исправленный тест");
            WriteTestFileToPath(test, f.t(), f.tasks);
        }
        Program p(dir.path());
        QCOMPARE(p.recovery->Offer(), TRunRecovery::Outcome::None);
        QCOMPARE(p.recoveryPrompts.count(
                     TRunRecovery::CannotResumeMessage(QStringLiteral("Прерываемый тест"), why)),
                 1);
        QCOMPARE(p.c().RunState(), rsNoTest);
        QCOMPARE(p.stored().size(), 1);
        QCOMPARE(int(p.stored().first().EndReason), int(erProgramClosed));
        QCOMPARE(p.stored().first().MarkCount, 5); // graded by the scale the journal kept
        QVERIFY(p.journals().isEmpty());
    }

    // The opening password was given when the run began; resuming does not ask it again.
    void passwordNotAskedAgain()
    {
        QTemporaryDir dir;
        const QString test = writeTest(dir.path(), QStringLiteral("Секрет"));
        {
            Program killed(dir.path());
            killed.begin(test, QStringLiteral("Секрет"));
            killed.actUntil(QStringLiteral("TaskShown"));
        }
        Program p(dir.path());
        QCOMPARE(p.recovery->Offer(), TRunRecovery::Outcome::Resumed);
        QVERIFY(!p.recoveryPrompts.kinds().contains(QStringLiteral("password")));
        QCOMPARE(p.c().Test()->OpenPassword, QStringLiteral("Секрет"));
    }

    // A test from the server goes on from the bytes in its journal, and is kept for the
    // next run on it.
    void serverTestResumesFromItsJournal()
    {
        QTemporaryDir dir;
        Fixture f = examineeTest();
        const QByteArray bytes = WriteTestFileData(f.t(), f.tasks);
        const QString name = QStringLiteral("Сетевой.kvf");
        {
            Program killed(dir.path());
            TLoadResult loaded = LoadTestData(name, bytes, {});
            QVERIFY(loaded.loaded());
            QVERIFY(KeepReceivedCopy(*loaded.Test, bytes));
            killed.c().BeginLoading();
            QVERIFY(killed.c().TestLoaded(std::move(loaded.Test), std::move(loaded.Tasks)));
            killed.c().BeginTest();
            killed.actUntil(QStringLiteral("TaskEvaluated"));
        }
        Program p(dir.path());
        QCOMPARE(p.recovery->Offer(), TRunRecovery::Outcome::Resumed);
        QCOMPARE(p.c().Test()->FileName, name);
        QFile copy(p.c().Test()->ReceivedBytesFile);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), bytes);
        p.finish();
        QCOMPARE(p.stored().size(), 1);
        // The next run on the same test journals it again.
        p.c().BeginTest();
        QCOMPARE(p.journals().size(), 1);
    }

    // A run that had ended gets the outputs it missed, without a question.
    void endedRunGetsItsOutputsWithoutQuestion()
    {
        QTemporaryDir dir;
        const QString test = writeTest(dir.path());
        leaveInterruptedRun(dir.path(), test, QStringLiteral("OutputDone:ResultLog"));
        // Killed before the protected file was written.
        QVERIFY(QFile::remove(QDir(dir.path()).filePath(kDefaultProtectionResultFileName)));
        Program p(dir.path());
        QCOMPARE(p.recovery->Offer(), TRunRecovery::Outcome::None);
        QVERIFY(p.recoveryPrompts.calls.isEmpty());
        QVERIFY(p.outputs.finished.isEmpty()); // the log has it already
        QCOMPARE(p.stored().size(), 1);
        QCOMPARE(int(p.stored().first().EndReason), int(erFinished));
        QCOMPARE(p.network.calls, QStringList{QStringLiteral("RESULT")});
        QVERIFY(p.journals().isEmpty());
    }

    // A journal failing its checks is set aside, noted once in the result log, never offered.
    void damagedJournalIsSetAsideAndNoted()
    {
        QTemporaryDir dir;
        const QString test = writeTest(dir.path());
        leaveInterruptedRun(dir.path(), test, QStringLiteral("TaskEvaluated"));
        Program p(dir.path());
        const QString path = QDir(p.store.Folder()).filePath(p.journals().first());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.seek(file.size() - 40);
        file.write("X");
        file.close();
        QCOMPARE(p.recovery->Offer(), TRunRecovery::Outcome::None);
        QVERIFY(p.recoveryPrompts.calls.isEmpty());
        QCOMPARE(p.outputs.logLines.size(), 1);
        QVERIFY(p.outputs.logLines.first().contains(
            QStringLiteral(" Журнал прерванного теста повреждён и отложен (")));
        QVERIFY(p.journals().size() == 1 && p.journals().first().contains(QStringLiteral(".damaged-")));
        QCOMPARE(p.recovery->Offer(), TRunRecovery::Outcome::None);
        QCOMPARE(p.outputs.logLines.size(), 1);
    }

    // Oldest first; a closing that waits for RESULT holds the next question until it ends.
    void closingWaitsForItsResult()
    {
        QTemporaryDir dir;
        const QString test = writeTest(dir.path());
        for (int k = 0; k < 2; ++k) {
            Program killed(dir.path());
            killed.clock = killed.clock.addSecs(k == 0 ? 600 : 0); // the second began first
            killed.recoveryPrompts.userName = QStringLiteral("Ученик %1").arg(k + 1);
            killed.begin(test);
            killed.actUntil(QStringLiteral("TaskShown"));
        }
        Program p(dir.path());
        p.network.holding = true;
        p.recoveryPrompts.answers = {false, true};
        QCOMPARE(p.recovery->Offer(), TRunRecovery::Outcome::Waiting);
        QCOMPARE(p.recoveryPrompts.defaultYes.size(), 1);
        QVERIFY(p.recoveryPrompts.defaultYes.first().contains(QStringLiteral("Ученик 2")));
        QVERIFY(p.c().StepUnderWay());
        p.network.release(true);
        QCOMPARE(p.recovery->Offer(), TRunRecovery::Outcome::Resumed);
        QCOMPARE(p.recoveryPrompts.defaultYes.size(), 2);
        QCOMPARE(p.r().UserName, QStringLiteral("Ученик 1"));
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestRecovery)
#include "tst_recovery.moc"
