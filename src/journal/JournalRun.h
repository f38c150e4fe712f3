#pragma once

#include "results/ResultTest.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>

namespace kvizor {

// End-of-run outputs whose completion the journal records, so a run resumed after its end
// does not write them twice.
enum class JournalOutput : std::uint8_t
{
    ResultLog = 1,
    ProtectedResult = 2,
    ServerResult = 3,
};

// Where appending continues: the bytes of complete events and the MAC of the last one.
struct JournalTail
{
    QString Path; // empty for a journal that is not a file
    qint64 ValidLength = 0;
    QByteArray LastMac;
};

// A run in progress as its journal tells it, after the last complete event.
struct JournalRun
{
    QString RunGUID;
    bool NetworkOK = false;
    // The test came from the server; its bytes are in the journal.
    bool TestFromServer = false;
    qint64 TestBytesSize = 0;
    // Filled only when the journal was read with the test's bytes.
    QByteArray TestBytes;

    // The run record: examinee, test identity (TestFileName, TestFileCRC, TestUId, TestTitle),
    // StartTime, the per-task arrays, the counters and the working fields (TaskOrder,
    // TaskStates, CurrentPos, VariantOrder, AskedCount, AskedMaxPoints).
    TResultTest Record;

    // A task has been shown; CurrentPos and VariantOrder name it.
    bool TaskOnScreen = false;
    // The task on screen has been evaluated and the run had not moved on yet.
    bool CurrentEvaluated = false;
    // The run has ended (EndReason, EndTime, the grade are final); outputs may be missing.
    bool Ended = false;
    std::uint8_t OutputsDone = 0; // bit per JournalOutput
    bool OutputDone(JournalOutput output) const
    {
        return (OutputsDone & (1u << static_cast<unsigned>(output))) != 0;
    }

    // Wall-clock times (UTC): the run's first event, when ElapsedSeconds and the task clock
    // were last recorded (the time the program was down counts from here), the last event.
    QDateTime BegunAt;
    QDateTime ClocksAt;
    QDateTime LastEventAt;
    int EventCount = 0;

    JournalTail Tail;
};

} // namespace kvizor
