#pragma once

// A short scripted run for the journal tests: it changes a run record the way the run
// controller does, tells the journal, and keeps beside it the run a reader must rebuild after
// each event (built here by hand, not by the journal's code) and the journal's length then.

#include "journal/JournalReader.h"
#include "journal/RunJournal.h"

#include "model/Test.h"
#include "model/TestFileWriter.h"
#include "results/ResultTest.h"

#include <QBuffer>
#include <QtTest>

#include <functional>

namespace kvizor::testing {

// A wall clock that moves 1.5 s per reading.
struct SteppingClock
{
    QDateTime next = QDateTime(QDate(2024, 3, 5), QTime(11, 30, 15), Qt::UTC);
    QDateTime last;
    QDateTime operator()()
    {
        last = next;
        next = next.addMSecs(1500);
        return last;
    }
};

struct ScriptOptions
{
    bool AllowSkipping = true;
    bool FromServer = false;
    bool Ended = true;
};

// The bytes of a small test as the server would send them.
inline QByteArray serverTestBytes()
{
    TTest test;
    test.Title = QStringLiteral("Сетевой тест");
    TTaskList tasks;
    tasks.push_back(std::make_unique<TTask>(ttNumber));
    return WriteTestFileData(test, tasks);
}

struct JournalScript
{
    struct Point
    {
        qint64 Length = 0;
        JournalRun Want;
    };

    // now: the clock the journal was given, so the expected times follow it.
    JournalScript(IRunJournal& journal, std::function<qint64()> length, SteppingClock& clock)
        : m_journal(journal), m_length(std::move(length)), m_clock(clock)
    {
    }

    QList<Point> Points;
    TResultTest R{4};
    JournalRun Want;
    QString Guid = QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
    QByteArray TestBytes;
    // Off: the journal's answers are not checked (a journal made to fail).
    bool Strict = true;

    void run(const ScriptOptions& options)
    {
        begin(options);
        show(0, {2, 0, 1});
        clocks(1, 1);
        hint(2);
        evaluate(0, QStringLiteral("1-Да;2-;3-Нет;"), -1.5, 0, 1, 0, 1, 2);
        network(false);
        show(1, {});
        if (options.AllowSkipping) {
            skipTo(2, {1, 0});
            clocks(3, 2);
            evaluate(2, QStringLiteral("x=120; y=45"), 0.5, 1, 1, 0, 1, 4);
            show(1, {}); // the skipped task again; its clock goes on
            evaluate(0, QString(), 0.5, 1, 1, 1, 1, 6);
        } else {
            evaluate(1, QStringLiteral("2,5"), 1.5, 1, 1, 0, 1, 4);
            show(2, {0, 1});
            clocks(4, 1);
        }
        if (options.Ended) {
            end();
            output(JournalOutput::ResultLog);
            output(JournalOutput::ProtectedResult);
        }
    }

    void begin(const ScriptOptions& options)
    {
        R.UserName = QStringLiteral("Иванов Иван");
        R.UserGroup = QStringLiteral("9 «А»");
        R.ComputerName = QStringLiteral("CLASS-PC7");
        R.ComputerUserName = QStringLiteral("student");
        R.TestTitle = QStringLiteral("Алгебра, 9 класс");
        R.TestFileName = QStringLiteral("/home/teacher/Тесты/Алгебра-9.kvf");
        R.TestFileCRC = 0x9E3779B9u;
        R.TestUId = QStringLiteral("{11111111-2222-3333-4444-555555555555}");
        R.TaskOrder = {2, 0, 3};
        R.TaskCount = 3;
        R.MaxPoints = 6;
        if (options.AllowSkipping)
            R.TaskStates.fill(-1, 3);
        if (R.StartTime == 0)
            R.StartTime = 45356.47934;
        TestBytes = options.FromServer ? serverTestBytes() : QByteArray();
        QVERIFY(m_journal.Begin(R, Guid, true, TestBytes) || !Strict);
        Want.RunGUID = Guid;
        Want.NetworkOK = true;
        Want.TestFromServer = options.FromServer;
        Want.TestBytesSize = TestBytes.size();
        Want.BegunAt = Want.ClocksAt = m_clock.last;
        Want.EventCount = options.FromServer ? 2 : 1;
        record();
    }

    void show(int position, const QList<int>& variantOrder)
    {
        R.CurrentPos = position;
        ++R.AskedCount;
        if (!R.TaskStates.isEmpty())
            R.TaskStates[position] = 0;
        R.VariantOrder = variantOrder;
        const int i = R.TaskOrder.at(position);
        R.SetTaskSeconds(i, R.GetTaskSeconds(i) + 1);
        QVERIFY(m_journal.TaskShown(R) || !Strict);
        Want.TaskOnScreen = true;
        Want.CurrentEvaluated = false;
        done();
    }

    void skipTo(int position, const QList<int>& variantOrder)
    {
        --R.AskedCount;
        show(position, variantOrder);
    }

    void clocks(int elapsed, int taskSeconds)
    {
        R.ElapsedSeconds = elapsed;
        R.SetTaskSeconds(R.TaskOrder.at(R.CurrentPos), taskSeconds);
        QVERIFY(m_journal.Clocks(R) || !Strict);
        Want.ClocksAt = m_clock.last;
        done();
    }

    void hint(int penalty)
    {
        R.SetTaskPenalty(R.TaskOrder.at(R.CurrentPos), penalty);
        QVERIFY(m_journal.HintUsed(R) || !Strict);
        done();
    }

    void evaluate(int result, const QString& answer, double points, int right, int wrong, int skip,
                  int prompt, int askedMax)
    {
        const int i = R.TaskOrder.at(R.CurrentPos);
        if (!R.TaskStates.isEmpty())
            R.TaskStates[R.CurrentPos] = 1;
        R.SetTaskResult(i, result);
        R.SetTaskAnswer(i, answer);
        R.Points = points;
        R.RightCount = right;
        R.WrongCount = wrong;
        R.SkipCount = skip;
        R.PromptCount = prompt;
        R.AskedMaxPoints = askedMax;
        QVERIFY(m_journal.TaskEvaluated(R) || !Strict);
        Want.CurrentEvaluated = true;
        done();
    }

    void network(bool ok)
    {
        QVERIFY(m_journal.NetworkChanged(ok) || !Strict);
        Want.NetworkOK = ok;
        done();
    }

    void end()
    {
        R.EndReason = erFinished;
        R.EndTime = R.StartTime + 0.01;
        R.TestDate = R.EndTime;
        R.MarkValue = 3;
        R.MarkName = QStringLiteral("удовл.");
        R.MarkCount = 5;
        QVERIFY(m_journal.End(R) || !Strict);
        Want.Ended = true;
        Want.ClocksAt = m_clock.last;
        done();
    }

    void output(JournalOutput which)
    {
        QVERIFY(m_journal.OutputDone(which) || !Strict);
        Want.OutputsDone |= static_cast<std::uint8_t>(1u << static_cast<unsigned>(which));
        done();
    }

private:
    void done()
    {
        ++Want.EventCount;
        record();
    }
    void record()
    {
        Want.Record = R;
        Want.LastEventAt = m_clock.last;
        Points.append(Point{m_length(), Want});
    }

    IRunJournal& m_journal;
    std::function<qint64()> m_length;
    SteppingClock& m_clock;
};

// Every field of a rebuilt run against the expected one.
inline void compareRun(const JournalRun& got, const JournalRun& want)
{
    QCOMPARE(got.RunGUID, want.RunGUID);
    QCOMPARE(got.NetworkOK, want.NetworkOK);
    QCOMPARE(got.TestFromServer, want.TestFromServer);
    QCOMPARE(got.TestBytesSize, want.TestBytesSize);
    QVERIFY(got.Record.SameStoredFields(want.Record));
    QCOMPARE(got.Record.TaskOrder, want.Record.TaskOrder);
    QCOMPARE(got.Record.TaskStates, want.Record.TaskStates);
    QCOMPARE(got.Record.CurrentPos, want.Record.CurrentPos);
    QCOMPARE(got.Record.VariantOrder, want.Record.VariantOrder);
    QCOMPARE(got.Record.AskedMaxPoints, want.Record.AskedMaxPoints);
    QCOMPARE(got.TaskOnScreen, want.TaskOnScreen);
    QCOMPARE(got.CurrentEvaluated, want.CurrentEvaluated);
    QCOMPARE(got.Ended, want.Ended);
    QCOMPARE(got.OutputsDone, want.OutputsDone);
    QCOMPARE(got.BegunAt, want.BegunAt);
    QCOMPARE(got.ClocksAt, want.ClocksAt);
    QCOMPARE(got.LastEventAt, want.LastEventAt);
    QCOMPARE(got.EventCount, want.EventCount);
}

inline JournalReadResult readBytes(const QByteArray& bytes, bool withTestBytes = false,
                                   const QByteArray& key = {})
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    JournalReadOptions options;
    options.WithTestBytes = withTestBytes;
    options.Key = key;
    return ReadJournal(buffer, options);
}

} // namespace kvizor::testing
