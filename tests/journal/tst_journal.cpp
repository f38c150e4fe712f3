// The journal's events and their reader: what a journal holds is read back field for field,
// a journal cut anywhere gives the run after its last complete event, and a journal that was
// changed, is foreign or holds impossible events is refused.

#include "JournalScript.h"
#include "support/TestEnvironment.h"

#include "journal/JournalFormat.h"
#include "journal/JournalFrame.h"

#include "common/BinaryWriter.h"

#include <QBuffer>
#include <QtEndian>
#include <QTest>

using namespace kvizor;
using namespace kvizor::testing;

namespace {

struct ScriptedJournal
{
    SteppingClock clock;
    MemoryRunJournal journal{std::ref(clock)};
    JournalScript script{journal, [this] { return journal.Bytes().size(); }, clock};
};

QByteArray payload(qint64 at, const std::function<void(BinaryWriter&)>& fields)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    BinaryWriter writer(buffer);
    writer.writeInt64(at);
    fields(writer);
    return buffer.data();
}

// A frame whose MAC is right, after the complete events of bytes.
QByteArray withRawFrame(const QByteArray& bytes, std::uint8_t type, const QByteArray& body)
{
    const JournalReadResult before = readBytes(bytes);
    const QByteArray header = journal::FrameHeader(type, static_cast<std::uint32_t>(body.size()));
    return bytes.left(before.Run.Tail.ValidLength) + header + body +
           journal::MacOf(journal::ProgramKey(), before.Run.Tail.LastMac, {header, body});
}

// The frames of bytes after the header, as [start, end) offsets.
QList<QPair<qint64, qint64>> frames(const QByteArray& bytes)
{
    QList<QPair<qint64, qint64>> list;
    for (qint64 at = journal::kHeaderSize; at < bytes.size();) {
        const qint64 end = at + journal::kFrameOverhead + qFromLittleEndian<quint32>(bytes.constData() + at);
        list.append({at, end});
        at = end;
    }
    return list;
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data()
    {
        QTest::addColumn<bool>("skipping");
        QTest::addColumn<bool>("fromServer");
        QTest::addColumn<bool>("ended");
        QTest::newRow("disk test, skipping, ended") << true << false << true;
        QTest::newRow("server test, skipping, ended") << true << true << true;
        QTest::newRow("disk test, in order, running") << false << false << false;
        QTest::newRow("server test, in order, running") << false << true << false;
    }
    void roundTrip()
    {
        QFETCH(bool, skipping);
        QFETCH(bool, fromServer);
        QFETCH(bool, ended);
        ScriptedJournal s;
        s.script.run(ScriptOptions{skipping, fromServer, ended});
        if (QTest::currentTestFailed())
            return;

        for (const bool withBytes : {false, true}) {
            const JournalReadResult read = readBytes(s.journal.Bytes(), withBytes);
            QCOMPARE(read.Status, JournalStatus::Ok);
            QVERIFY(!read.TailCut);
            compareRun(read.Run, s.script.Want);
            QCOMPARE(read.Run.TestBytes, withBytes ? s.script.TestBytes : QByteArray());
            QCOMPARE(read.Run.Tail.ValidLength, s.journal.Bytes().size());
            QVERIFY(read.Run.Tail.Path.isEmpty());
        }
    }

    // Each cut gives the run after the last event that is whole in it, never fails, and
    // appending goes on after that event.
    void cutAtEveryByte()
    {
        ScriptedJournal s;
        s.script.run(ScriptOptions{true, false, true});
        QVERIFY(!QTest::currentTestFailed());
        const QByteArray whole = s.journal.Bytes();
        const auto& points = s.script.Points;
        QVERIFY2(whole.size() < 2000, "the journal of the short run should stay short");

        int point = -1;
        for (qint64 cut = 0; cut <= whole.size(); ++cut) {
            while (point + 1 < points.size() && points.at(point + 1).Length <= cut)
                ++point;
            const QByteArray bytes = whole.left(cut);
            const JournalReadResult read = readBytes(bytes);
            const QByteArray where = "cut at " + QByteArray::number(cut);
            if (point < 0) {
                QVERIFY2(read.Status == JournalStatus::Empty, where);
                QVERIFY2(read.TailCut == (cut > 0 && cut != journal::kHeaderSize), where);
                continue;
            }
            QVERIFY2(read.Status == JournalStatus::Ok, where);
            QVERIFY2(read.TailCut == (cut != points.at(point).Length), where);
            QVERIFY2(read.Run.Tail.ValidLength == points.at(point).Length, where);
            compareRun(read.Run, points.at(point).Want);
            QVERIFY2(!QTest::currentTestFailed(), where);

            MemoryRunJournal resumed;
            resumed.SetBytes(bytes);
            QVERIFY2(resumed.Resume(read.Run), where);
            const bool ended = read.Run.Ended;
            QVERIFY2(ended ? resumed.OutputDone(JournalOutput::ServerResult)
                           : resumed.NetworkChanged(!read.Run.NetworkOK),
                     where);
            const JournalReadResult again = readBytes(resumed.Bytes());
            QVERIFY2(again.Status == JournalStatus::Ok && !again.TailCut, where);
            QVERIFY2(again.Run.EventCount == read.Run.EventCount + 1, where);
        }
    }

    // A power cut may leave the file longer than what reached the disk, ending in zeros: that
    // is a cut too. Zeros anywhere else are damage.
    void zerosAfterAPowerCut_data()
    {
        QTest::addColumn<int>("zeroFrom"); // from the end of the whole journal; > 0: appended
        QTest::addColumn<int>("zeroCount");
        QTest::addColumn<int>("lostEvents"); // -1: damaged
        QTest::newRow("zeros after the last event") << 0 << 100 << 0;
        QTest::newRow("the last event's end zeroed") << -20 << 20 << 1;
        QTest::newRow("the last two events zeroed") << -100 << 100 << 2;
        QTest::newRow("zeros inside the last event") << -60 << 16 << -1;
    }
    void zerosAfterAPowerCut()
    {
        QFETCH(int, zeroFrom);
        QFETCH(int, zeroCount);
        QFETCH(int, lostEvents);
        ScriptedJournal s;
        s.script.run(ScriptOptions{true, false, true});
        QVERIFY(!QTest::currentTestFailed());
        QByteArray bytes = s.journal.Bytes();
        const qsizetype from = bytes.size() + zeroFrom;
        bytes.resize(std::max(bytes.size(), from + zeroCount));
        std::fill(bytes.begin() + from, bytes.begin() + from + zeroCount, '\0');

        const JournalReadResult read = readBytes(bytes);
        if (lostEvents < 0) {
            QCOMPARE(read.Status, JournalStatus::Damaged);
            return;
        }
        QCOMPARE(read.Status, JournalStatus::Ok);
        QVERIFY(read.TailCut);
        const JournalScript::Point& kept = s.script.Points.at(s.script.Points.size() - 1 - lostEvents);
        QVERIFY(kept.Length <= from);
        compareRun(read.Run, kept.Want);
        QCOMPARE(read.Run.Tail.ValidLength, kept.Length);
    }

    // One changed byte anywhere in a whole journal makes it damaged, not a shorter run.
    void everyChangedByteIsDamage()
    {
        ScriptedJournal s;
        s.script.run(ScriptOptions{true, true, true});
        QVERIFY(!QTest::currentTestFailed());
        const QByteArray whole = s.journal.Bytes();
        // The test's bytes are the bulk of it; step over their middle to keep this quick.
        const qint64 bytesEnd =
            journal::kHeaderSize + journal::kFrameOverhead + journal::kTimeSize + s.script.TestBytes.size();
        for (qint64 at = 0; at < whole.size(); ++at) {
            if (at > journal::kHeaderSize + 64 && at < bytesEnd - 64)
                at = bytesEnd - 64;
            QByteArray bytes = whole;
            bytes[at] = static_cast<char>(bytes.at(at) ^ 0x20);
            const JournalReadResult read = readBytes(bytes);
            const QByteArray where = "byte " + QByteArray::number(at);
            QVERIFY2(read.Status == JournalStatus::Damaged, where);
            QVERIFY2(!read.Problem.isEmpty(), where);
            QVERIFY2(read.Run.RunGUID.isEmpty(), where);
        }
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem");

        ScriptedJournal s;
        s.script.run(ScriptOptions{true, false, false});
        const QByteArray whole = s.journal.Bytes();
        const QByteArray begun = whole.left(s.script.Points.first().Length);
        const QList<QPair<qint64, qint64>> f = frames(whole);
        const auto frameAt = [&](int k) { return whole.mid(f.at(k).first, f.at(k).second - f.at(k).first); };
        const auto payloadAt = [&](int k) {
            return frameAt(k).mid(journal::kFrameHeaderSize, frameAt(k).size() - journal::kFrameOverhead);
        };

        const QString foreign = QStringLiteral("не является журналом");
        const QString checksum = QStringLiteral("контрольная сумма");
        const QString impossible = QStringLiteral("недопустимая запись");

        TTest test;
        QTest::newRow("a test file") << WriteTestFileData(test, {}) << foreign;
        QTest::newRow("a short text") << QByteArray("notes") << foreign;
        QByteArray otherVersion = whole;
        otherVersion[journal::kMagicSize] = 2;
        QTest::newRow("another version") << otherVersion << QStringLiteral("другой версии (2)");
        {
            SteppingClock clock;
            MemoryRunJournal other(std::ref(clock), QByteArrayLiteral("another institution's key"));
            JournalScript script(
                other, [&] { return other.Bytes().size(); }, clock);
            script.run(ScriptOptions{});
            QTest::newRow("another key") << other.Bytes() << checksum;
        }
        QTest::newRow("two events swapped")
            << whole.left(f.at(2).first) + frameAt(3) + frameAt(2) + whole.mid(f.at(3).second) << checksum;
        QTest::newRow("an event taken out")
            << whole.left(f.at(2).first) + whole.mid(f.at(2).second) << checksum;
        QTest::newRow("an event repeated")
            << whole.left(f.at(2).first) + whole.mid(f.at(2).first) + frameAt(2) << checksum;

        const auto raw = [&](std::uint8_t type, const std::function<void(BinaryWriter&)>& fields) {
            return withRawFrame(begun, type, payload(0, fields));
        };
        QTest::newRow("unknown event") << raw(42, [](BinaryWriter&) {}) << impossible;
        QTest::newRow("task position past the run") << raw(journal::evTaskShown, [](BinaryWriter& w) {
            w.writeInt32(3);
            w.writeInt32(1);
            w.writeInt32(0);
            w.writeInt32(0);
        }) << impossible;
        QTest::newRow("variant order not a permutation") << raw(journal::evTaskShown, [](BinaryWriter& w) {
            w.writeInt32(0);
            w.writeInt32(1);
            w.writeInt32(2);
            w.writeInt32(1);
            w.writeInt32(1);
            w.writeInt32(0);
        }) << impossible;
        QTest::newRow("bytes left over") << raw(journal::evNetwork, [](BinaryWriter& w) {
            w.writeFlag(true);
            w.writeByte(0);
        }) << impossible;
        QTest::newRow("hint before any task") << raw(journal::evHintUsed, [](BinaryWriter& w) {
            w.writeInt32(2);
            w.writeInt32(1);
        }) << impossible;
        QTest::newRow("second beginning")
            << withRawFrame(whole, journal::evBegin, payloadAt(0)) << impossible;
        QTest::newRow("output before the end")
            << withRawFrame(whole, journal::evOutputDone, payload(0, [](BinaryWriter& w) { w.writeByte(1); }))
            << impossible;
        QByteArray badHeader = whole;
        badHeader[f.at(1).first] = static_cast<char>(badHeader.at(f.at(1).first) + 1);
        QTest::newRow("length changed") << badHeader << QStringLiteral("заголовок записи");
    }
    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        const JournalReadResult read = readBytes(bytes);
        QCOMPARE(read.Status, JournalStatus::Damaged);
        QVERIFY2(read.Problem.contains(problem), qPrintable(read.Problem));
        QVERIFY(read.Run.RunGUID.isEmpty());
    }

    // A storage that stops taking bytes part-way through an event leaves the journal at the
    // event before, and the journal stops.
    void fullStorage_data()
    {
        QTest::addColumn<int>("failingEvent"); // index into the script's points; 0 = the beginning
        QTest::newRow("beginning") << 0;
        QTest::newRow("first task shown") << 1;
        QTest::newRow("evaluation") << 4;
        QTest::newRow("end") << 11;
    }
    void fullStorage()
    {
        QFETCH(int, failingEvent);
        ScriptedJournal whole;
        whole.script.run(ScriptOptions{true, false, true});
        const auto& points = whole.script.Points;
        QVERIFY(!QTest::currentTestFailed() && failingEvent < points.size());
        const qint64 before = failingEvent == 0 ? 0 : points.at(failingEvent - 1).Length;

        SteppingClock clock;
        MemoryRunJournal journal{std::ref(clock)};
        journal.SetCapacity(before + (points.at(failingEvent).Length - before) / 2);
        JournalScript script(
            journal, [&] { return journal.Bytes().size(); }, clock);
        script.Strict = false;
        script.run(ScriptOptions{true, false, true});
        QVERIFY(!journal.ErrorText().isEmpty());
        if (failingEvent == 0) {
            QVERIFY(!journal.Active());
            QVERIFY(!journal.HasStorage());
            return;
        }
        QVERIFY(journal.Failed());
        QCOMPARE(journal.Bytes().size(), before);
        const JournalReadResult read = readBytes(journal.Bytes());
        QCOMPARE(read.Status, JournalStatus::Ok);
        QVERIFY(!read.TailCut);
        QCOMPARE(read.Run.EventCount, points.at(failingEvent - 1).Want.EventCount);
        QVERIFY(!journal.NetworkChanged(true));
        QCOMPARE(journal.Bytes().size(), before);
    }

    // Calls that cannot follow what the journal holds are refused before anything is written.
    void refusedCalls_data()
    {
        QTest::addColumn<int>("call");
        QTest::newRow("evaluation before a task is shown") << 0;
        QTest::newRow("hint before a task is shown") << 1;
        QTest::newRow("a second beginning") << 2;
        QTest::newRow("a beginning with no tasks") << 3;
        QTest::newRow("a beginning without a GUID") << 4;
        QTest::newRow("a task after the end") << 5;
    }
    void refusedCalls()
    {
        QFETCH(int, call);
        SteppingClock clock;
        MemoryRunJournal journal{std::ref(clock)};
        JournalScript script(
            journal, [&] { return journal.Bytes().size(); }, clock);
        if (call != 3 && call != 4)
            script.begin(ScriptOptions{});
        if (call == 5) {
            script.show(0, {});
            script.end();
        }
        QVERIFY(!QTest::currentTestFailed());
        const QByteArray before = journal.Bytes();
        TResultTest empty(4);
        bool accepted = true;
        switch (call) {
        case 0:
            accepted = journal.TaskEvaluated(script.R);
            break;
        case 1:
            accepted = journal.HintUsed(script.R);
            break;
        case 2:
            accepted = journal.Begin(script.R, script.Guid, true);
            break;
        case 3:
            accepted = journal.Begin(empty, script.Guid, true);
            break;
        case 4:
            accepted = journal.Begin(script.R, QStringLiteral("run 1"), true);
            break;
        case 5:
            accepted = journal.TaskShown(script.R);
            break;
        }
        QVERIFY(!accepted);
        QVERIFY(!journal.ErrorText().isEmpty());
        QCOMPARE(journal.Bytes(), before);
        if (!before.isEmpty())
            QCOMPARE(readBytes(before).Status, JournalStatus::Ok);
    }

    // A server test's bytes of a few megabytes are kept only when asked for.
    void largeTestBytes()
    {
        QByteArray test(3 * 1024 * 1024, Qt::Uninitialized);
        for (qsizetype k = 0; k < test.size(); ++k)
            test[k] = static_cast<char>((k * 2654435761u) >> 13);
        ScriptedJournal s;
        TResultTest& r = s.script.R;
        r.TaskOrder = {0};
        r.TaskCount = 1;
        QVERIFY(s.journal.Begin(r, s.script.Guid, true, test));
        const JournalReadResult light = readBytes(s.journal.Bytes(), false);
        QCOMPARE(light.Status, JournalStatus::Ok);
        QCOMPARE(light.Run.TestBytesSize, test.size());
        QVERIFY(light.Run.TestBytes.isEmpty());
        const JournalReadResult full = readBytes(s.journal.Bytes(), true);
        QCOMPARE(full.Status, JournalStatus::Ok);
        QVERIFY(full.Run.TestBytes == test);
    }
};

KVIZOR_TEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
