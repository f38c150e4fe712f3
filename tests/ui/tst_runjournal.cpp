// The window and the run journal: an interrupted run offered at start-up and before an
// opening, a received test kept for the journal, the program ended during a run.

#include "ScreenFixture.h"

#include "model/TestFileWriter.h"
#include "results/ProtectedResultFile.h"
#include "run/RunRecovery.h"
#include "ui/WidgetPrompts.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace kvizor;

namespace {

const QString kTitle = QStringLiteral("Журнальный тест");

void writeTest(const QString& path)
{
    TTest test;
    test.Title = kTitle;
    TTaskList tasks;
    for (int k = 0; k < 3; ++k)
        tasks.push_back(makeTask(ttSingleChoice, {1, 0, 0}));
    WriteTestFileToPath(path, test, tasks);
}

// A window of the program in folder (its result files and journal folder there).
struct Program
{
    Program(const QString& folder, const QStringList& arguments = {}, bool realOutputs = false)
    {
        TStudentMainForm::Options options;
        options.programFolder = folder;
        options.arguments = arguments;
        options.prompts = &prompts;
        if (!realOutputs)
            options.runOutputs = &outputs;
        options.realTimers = false;
        options.terminateWait = std::chrono::milliseconds(300);
        prompts.userName = QStringLiteral("Петров Пётр");
        prompts.userGroup = QStringLiteral("11 Б");
        window = std::make_unique<TStudentMainForm>(options);
    }
    void show()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QTest::qWait(20); // the queued start-up
    }
    // Begins a run and answers the first task ("Я не знаю..."): the second is on screen.
    void beginAndAnswer()
    {
        window->runController().BeginTest();
        QCOMPARE(window->RunState(), rsTesting);
        window->runController().aIDoNotKnowExecute();
        QCOMPARE(window->runController().RunResult()->CurrentPos, 1);
    }
    // The program is killed: its window goes without closing, the journal stays.
    void kill() { window.reset(); }
    QStringList journals() const
    {
        return QDir(window->journalFolder()).entryList(QDir::Files | QDir::Hidden);
    }

    ScreenPrompts prompts;
    RecordingOutputs outputs;
    std::unique_ptr<TStudentMainForm> window;
};

} // namespace

class TestRunJournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_test = m_dir->filePath(QStringLiteral("journal.kvf"));
        writeTest(m_test);
    }

    // Yes at start-up: the run goes on with its task on screen; the test named on the command
    // line is not opened over it.
    void startUpResumes()
    {
        {
            Program killed(m_dir->path());
            killed.window->LoadTest(m_test);
            killed.beginAndAnswer();
            killed.kill();
        }
        const QString other = m_dir->filePath(QStringLiteral("other.kvf"));
        writeTest(other);
        Program p(m_dir->path(), {other});
        p.prompts.yesNoAnswers = {true};
        p.show();
        QCOMPARE(p.prompts.questions.size(), 1);
        QVERIFY(p.prompts.questions.first().startsWith(
            QStringLiteral("Внимание!|Продолжить прерванный тест \"%1\" (Петров Пётр, 11 Б, начат ")
                .arg(kTitle)));
        QCOMPARE(p.window->RunState(), rsTesting);
        QCOMPARE(p.window->Test()->FileName, m_test);
        QCOMPARE(p.window->QuestionLabel->text(), QStringLiteral("Вопрос # 2 из 3:"));
        QCOMPARE(p.outputs.log.filter(QStringLiteral("Продолжен тест")).size(), 1);
        QCOMPARE(p.journals().size(), 1);
    }

    // No at start-up: the run is recorded as closed with the program, then the test named on
    // the command line opens.
    void startUpDeclinedThenTheArgumentOpens()
    {
        {
            Program killed(m_dir->path());
            killed.window->LoadTest(m_test);
            killed.beginAndAnswer();
            killed.kill();
        }
        Program p(m_dir->path(), {m_test});
        p.prompts.yesNoAnswers = {false};
        p.show();
        QCOMPARE(p.outputs.finished, 1);
        QCOMPARE(int(p.outputs.result->EndReason), int(erProgramClosed));
        QCOMPARE(p.window->RunState(), rsTestLoaded);
        QVERIFY(p.journals().isEmpty());
        QCOMPARE(p.prompts.messages.size(), 0);
    }

    // Opening a test asks about an interrupted run first (here one left by another window of
    // the same user, killed after this one had started).
    void openingOffersFirst()
    {
        Program p(m_dir->path());
        p.show();
        QCOMPARE(p.prompts.questions.size(), 0);
        {
            Program killed(m_dir->path());
            killed.window->LoadTest(m_test);
            killed.beginAndAnswer();
            killed.kill();
        }
        p.prompts.yesNoAnswers = {false};
        p.window->LoadTest(m_test);
        QCOMPARE(p.prompts.questions.size(), 1);
        QCOMPARE(p.outputs.finished, 1);
        QCOMPARE(p.window->RunState(), rsTestLoaded);
        QCOMPARE(p.window->Test()->FileName, m_test);
        QVERIFY(p.journals().isEmpty());
    }

    // A test received from the server keeps a copy of its bytes while it is loaded, from
    // memory and from the temporary file the client receives into.
    void receivedTestIsKept_data()
    {
        QTest::addColumn<bool>("device");
        QTest::newRow("bytes") << false;
        QTest::newRow("device") << true;
    }
    void receivedTestIsKept()
    {
        QFETCH(bool, device);
        QFile file(m_test);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        Program p(m_dir->path());
        if (device) {
            QBuffer buffer;
            buffer.setData(bytes);
            buffer.open(QIODevice::ReadOnly);
            p.window->LoadTest(QStringLiteral("С сервера.kvf"), buffer);
        } else {
            p.window->LoadTest(QStringLiteral("С сервера.kvf"), &bytes);
        }
        QCOMPARE(p.window->RunState(), rsTestLoaded);
        const QString copyPath = p.window->Test()->ReceivedBytesFile;
        QFile copy(copyPath);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), bytes);
        p.window->runController().BeginTest();
        p.window->runController().AEndTestExecute(); // No: the run goes on
        QCOMPARE(p.window->RunState(), rsTesting);
        QCOMPARE(p.journals().size(), 1);
        p.prompts.yesNoAnswers = {true};
        p.window->runController().AEndTestExecute();
        p.window->closeTest();
        QVERIFY(!QFile::exists(copyPath));
    }

    // Ended during a run: one record of a closed program, the close line, nothing shown, no
    // journal left, and the window closed.
    void terminateDuringARun()
    {
        Program p(m_dir->path(), {}, true);
        p.window->Config.IsSaveProtectionResult = true;
        p.show();
        p.window->LoadTest(m_test);
        p.beginAndAnswer();
        const qsizetype messages = p.prompts.messages.size();
        // The end comes while the stop question is open.
        p.prompts.onQuestion = [&](const QString&) { p.window->Terminate(); };
        QSignalSpy finished(p.window.get(), &TStudentMainForm::terminationFinished);
        p.window->runController().AEndTestExecute();
        QVERIFY(finished.wait(5000));
        QVERIFY(!p.window->isVisible());
        QCOMPARE(p.prompts.messages.size(), messages);
        QVERIFY(p.prompts.dialogs.isEmpty()); // no result window
        const QString log = readCp1251File(p.window->resultLogPath());
        QCOMPARE(log.count(QStringLiteral("Тест прерван - закрыта программа...")), 1);
        QVERIFY(log.contains(QStringLiteral("Закрыта программа KvizorStudent.")));
        const QString storedPath = QDir(m_dir->path()).filePath(kDefaultProtectionResultFileName);
        const QList<TResultTest> stored = LoadProtectedResults(storedPath);
        QCOMPARE(stored.size(), 1);
        QCOMPARE(int(stored.first().EndReason), int(erProgramClosed));
        QCOMPARE(stored.first().AskedCount, 2);
        QVERIFY(p.journals().isEmpty());
    }

    // The resume question's default button is Yes, so Enter resumes.
    void resumeQuestionDefaultsToYes()
    {
        const auto box =
            WidgetPrompts::makeYesNoBox(QStringLiteral("?"), QStringLiteral("Внимание!"), nullptr, true);
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_test;
};

int runRunJournalTests(int argc, char** argv)
{
    TestRunJournal t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_runjournal.moc"
