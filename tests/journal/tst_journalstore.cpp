// Journals as files in the user's journal folder: owner-only, exclusive, durable, removed by
// Discard, listed for resuming, damaged ones set aside, cut ones resumed after their tail.

#include "JournalScript.h"
#include "support/TestEnvironment.h"

#include "journal/JournalFormat.h"
#include "journal/JournalStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace kvizor;
using namespace kvizor::testing;

namespace {

// Nobody but the owner may read, write or enter it.
bool ownerOnly(QFile::Permissions permissions)
{
    return (permissions & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                           QFile::WriteOther | QFile::ExeOther)) == 0;
}

// A run journaled into a file of folder; the journal object is kept (and its lock held)
// until release() lets go of it as a killed program would.
struct FileRun
{
    FileRun(const QString& folder, const QString& guid, double startTime, ScriptOptions options = {})
        : journal(std::make_unique<FileRunJournal>(folder, std::ref(clock))),
          script(
              *journal, [this] { return QFileInfo(journal->Path()).size(); }, clock)
    {
        script.Guid = guid;
        script.R.StartTime = startTime;
        script.begin(options);
        script.show(0, {1, 0});
        script.clocks(1, 1);
        path = journal->Path();
    }
    void release() { journal.reset(); }

    SteppingClock clock;
    std::unique_ptr<FileRunJournal> journal;
    JournalScript script;
    QString path;
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

const QString kGuidA = QStringLiteral("{AAAAAAAA-0000-4000-8000-000000000001}");
const QString kGuidB = QStringLiteral("{BBBBBBBB-0000-4000-8000-000000000002}");
const QString kGuidC = QStringLiteral("{CCCCCCCC-0000-4000-8000-000000000003}");

} // namespace

class TestJournalStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Kvizor3"));
        QCoreApplication::setApplicationName(QStringLiteral("Student"));
    }

    void defaultFolderIsPerUserData()
    {
        QCOMPARE(JournalStore::DefaultFolder(),
                 QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                     QStringLiteral("/journal"));
    }

    // The file is named after the run, readable by its owner only, in an owner-only folder,
    // and holds exactly what the script told it once each call has returned.
    void fileRoundTrip()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("data/journal"));
        SteppingClock clock;
        FileRunJournal journal(folder, std::ref(clock));
        JournalScript script(
            journal, [&] { return QFileInfo(journal.Path()).size(); }, clock);
        script.run(ScriptOptions{true, true, false});
        QVERIFY(!QTest::currentTestFailed());

        QCOMPARE(journal.Path(), folder + QStringLiteral("/6f9619ff-8b86-d011-b42d-00c04fc964ff.kvj"));
        const QFile::Permissions file = QFile::permissions(journal.Path());
        QVERIFY(ownerOnly(file) && file.testFlags(QFile::ReadOwner | QFile::WriteOwner) &&
                !file.testFlag(QFile::ExeOwner));
        const QFile::Permissions folderPermissions = QFile::permissions(folder);
        QVERIFY(ownerOnly(folderPermissions) &&
                folderPermissions.testFlags(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        JournalReadOptions options;
        options.WithTestBytes = true;
        const JournalReadResult read = ReadJournalFile(journal.Path(), options);
        QCOMPARE(read.Status, JournalStatus::Ok);
        compareRun(read.Run, script.Want);
        QCOMPARE(read.Run.TestBytes, script.TestBytes);
        QCOMPARE(read.Run.Tail.Path, journal.Path());
        QCOMPARE(read.Run.Tail.ValidLength, QFileInfo(journal.Path()).size());
    }

    void discardRemovesTheFile()
    {
        QTemporaryDir dir;
        FileRun run(dir.path(), kGuidA, 45000);
        QVERIFY(QFile::exists(run.path));
        run.journal->Discard();
        QVERIFY(!QFile::exists(run.path));
        QVERIFY(!run.journal->Active());
        QVERIFY(run.journal->Path().isEmpty());
        // The same object journals the next run.
        run.script.Guid = kGuidB;
        run.script.begin(ScriptOptions{});
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(QFile::exists(run.journal->Path()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    }

    // A run GUID already in use never takes over the other journal's file.
    void createdExclusively()
    {
        QTemporaryDir dir;
        FileRun first(dir.path(), kGuidA, 45000);
        const QByteArray before = contents(first.path);
        first.release();
        FileRunJournal second(dir.path());
        QVERIFY(!second.Begin(first.script.R, kGuidA, true));
        QVERIFY(!second.ErrorText().isEmpty());
        QVERIFY(!second.Active());
        QCOMPARE(contents(first.path), before);
    }

    // A journal cut inside an event is listed, resumed after its last whole event, and the
    // partial event is gone from the file before anything is appended.
    void resumeAfterCut()
    {
        QTemporaryDir dir;
        FileRun run(dir.path(), kGuidA, 45000);
        const qint64 whole = QFileInfo(run.path).size();
        const qint64 shown = run.script.Points.at(1).Length;
        run.release();
        QVERIFY(QFile::resize(run.path, whole - 5));

        JournalStore store(dir.path());
        const JournalListing listing = store.ListInterrupted();
        QCOMPARE(listing.Runs.size(), 1);
        QVERIFY(listing.Problems.isEmpty());
        QVERIFY(listing.Runs.first().TailCut);
        JournalProblem problem;
        const JournalReadResult read = store.ReadForResume(run.path, &problem);
        QCOMPARE(read.Status, JournalStatus::Ok);
        compareRun(read.Run, run.script.Points.at(1).Want);

        std::unique_ptr<FileRunJournal> resumed = store.NewJournal();
        QVERIFY(resumed->Resume(read.Run));
        QCOMPARE(resumed->Path(), run.path);
        QCOMPARE(QFileInfo(run.path).size(), shown);
        QVERIFY(resumed->NetworkChanged(false));
        const JournalReadResult again = ReadJournalFile(run.path);
        QCOMPARE(again.Status, JournalStatus::Ok);
        QVERIFY(!again.TailCut);
        QCOMPARE(again.Run.EventCount, read.Run.EventCount + 1);
        QVERIFY(!again.Run.NetworkOK);
    }

    // A journal that a running program holds is neither listed, resumed nor touched.
    void journalInUseIsLeftAlone()
    {
        QTemporaryDir dir;
        FileRun active(dir.path(), kGuidA, 45000);
        const QByteArray before = contents(active.path);
        JournalStore store(dir.path());
        const JournalListing listing = store.ListInterrupted();
        QVERIFY(listing.Runs.isEmpty());
        QVERIFY(listing.Problems.isEmpty());

        FileRunJournal other(dir.path());
        QVERIFY(!other.Resume(ReadJournalFile(active.path).Run));
        QVERIFY(!other.ErrorText().isEmpty());
        QCOMPARE(contents(active.path), before);
        QVERIFY(active.journal->NetworkChanged(false));
    }

    // Interrupted runs oldest first; a damaged journal set aside unchanged with its reason; a
    // journal holding no beginning removed; other files ignored.
    void listing()
    {
        QTemporaryDir dir;
        FileRun later(dir.path(), kGuidA, 45001.5);
        FileRun earlier(dir.path(), kGuidB, 45000.25);
        FileRun damaged(dir.path(), kGuidC, 45000.75);
        later.release();
        earlier.release();
        damaged.release();
        QByteArray changed = contents(damaged.path);
        changed[changed.size() - 40] = static_cast<char>(changed.at(changed.size() - 40) ^ 1);
        writeFile(damaged.path, changed);
        const QString empty = dir.filePath(QStringLiteral("dddddddd-0000-4000-8000-000000000004.kvj"));
        writeFile(empty, QByteArray("KvizorRun"));
        const QString notes = dir.filePath(QStringLiteral("notes.txt"));
        writeFile(notes, QByteArray("not a journal"));
        const QString oldAside = dir.filePath(QStringLiteral("x.kvj.damaged-20240101-000000"));
        writeFile(oldAside, QByteArray("old"));

        JournalStore store(dir.path(), [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 30, 15)); });
        const JournalListing listing = store.ListInterrupted();
        QCOMPARE(listing.Runs.size(), 2);
        QCOMPARE(listing.Runs.at(0).Path, earlier.path);
        QCOMPARE(listing.Runs.at(1).Path, later.path);
        compareRun(listing.Runs.at(0).Run, earlier.script.Want);
        QCOMPARE(listing.Runs.at(0).Run.Record.UserName, QStringLiteral("Иванов Иван"));

        QCOMPARE(listing.Problems.size(), 1);
        const JournalProblem& problem = listing.Problems.first();
        QCOMPARE(problem.Path, damaged.path);
        QCOMPARE(problem.SetAsidePath, damaged.path + QStringLiteral(".damaged-20240305-143015"));
        QVERIFY(problem.Problem.contains(QStringLiteral("контрольная сумма")));
        QVERIFY(!QFile::exists(damaged.path));
        QCOMPARE(contents(problem.SetAsidePath), changed);

        QVERIFY(!QFile::exists(empty));
        QVERIFY(QFile::exists(notes));
        QCOMPARE(contents(oldAside), QByteArray("old"));

        // Listing again finds the same runs and nothing more to set aside.
        const JournalListing again = store.ListInterrupted();
        QCOMPARE(again.Runs.size(), 2);
        QVERIFY(again.Problems.isEmpty());
    }

    // Setting aside never overwrites an earlier set-aside journal of the same second.
    void setAsideKeepsEarlierOnes()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.kvj"));
        JournalStore store(dir.path(), [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 30, 15)); });
        writeFile(path, QByteArray("first"));
        const QString first = store.SetAside(path);
        writeFile(path, QByteArray("second"));
        const QString second = store.SetAside(path);
        QVERIFY(!first.isEmpty() && !second.isEmpty() && first != second);
        QCOMPARE(contents(first), QByteArray("first"));
        QCOMPARE(contents(second), QByteArray("second"));
    }

    void damagedJournalIsSetAsideWhenResuming()
    {
        QTemporaryDir dir;
        FileRun run(dir.path(), kGuidA, 45000);
        run.release();
        QByteArray bytes = contents(run.path);
        bytes[journal::kHeaderSize + 20] = static_cast<char>(bytes.at(journal::kHeaderSize + 20) ^ 4);
        writeFile(run.path, bytes);
        JournalStore store(dir.path());
        JournalProblem problem;
        const JournalReadResult read = store.ReadForResume(run.path, &problem);
        QCOMPARE(read.Status, JournalStatus::Damaged);
        QVERIFY(!problem.SetAsidePath.isEmpty());
        QVERIFY(!problem.Problem.isEmpty());
        QVERIFY(!QFile::exists(run.path));
        QCOMPARE(contents(problem.SetAsidePath), bytes);
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestJournalStore)
#include "tst_journalstore.moc"
