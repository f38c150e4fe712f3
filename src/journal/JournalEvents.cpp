#include "JournalEvents.h"

#include "JournalFormat.h"

#include "common/BinaryReader.h"
#include "common/BinaryWriter.h"
#include "common/FormatError.h"

#include <QBuffer>

#include <cmath>
#include <functional>

namespace kvizor::journal {
namespace {

QByteArray payload(qint64 at, const std::function<void(BinaryWriter&)>& fields)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    BinaryWriter writer(buffer);
    writer.writeInt64(at);
    fields(writer);
    return bytes;
}

void require(bool condition, const char* what)
{
    if (!condition)
        throw FormatError(what);
}

QDateTime utc(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

bool begun(const JournalRun& run)
{
    return !run.RunGUID.isEmpty();
}

void requireRunning(const JournalRun& run)
{
    require(begun(run), "event before the run began");
    require(!run.Ended, "event after the run ended");
}

int taskIndexAt(const TResultTest& r, int position)
{
    return r.TaskOrder.value(position, -1);
}

// The task on screen, not yet evaluated, must be the one the event names.
void requireCurrentTask(const JournalRun& run, std::int32_t taskIndex)
{
    requireRunning(run);
    require(run.TaskOnScreen && !run.CurrentEvaluated, "no task open on screen");
    require(taskIndex == taskIndexAt(run.Record, run.Record.CurrentPos), "not the task on screen");
}

QList<int> readIndexes(BinaryReader& reader)
{
    const std::int32_t count = reader.readInt32();
    reader.checkCount(count, 4);
    QList<int> list;
    list.reserve(count);
    for (std::int32_t k = 0; k < count; ++k)
        list.append(reader.readInt32());
    return list;
}

void writeIndexes(BinaryWriter& writer, const QList<int>& list)
{
    writer.writeInt32(static_cast<std::int32_t>(list.size()));
    for (int value : list)
        writer.writeInt32(value);
}

// Every entry distinct and in 0 .. limit-1.
bool distinctBelow(const QList<int>& list, qsizetype limit)
{
    QList<bool> seen(limit, false);
    for (int value : list) {
        if (value < 0 || value >= limit || seen.at(value))
            return false;
        seen[value] = true;
    }
    return true;
}

bool perTaskArraysAgree(const TResultTest& r)
{
    const qsizetype n = r.TaskResults.size();
    return r.TaskSeconds.size() == n && r.TaskAnswers.size() == n && r.TaskPenalties.size() == n;
}

// ---- begin ----

void applyBegin(BinaryReader& reader, const QDateTime& at, JournalRun& run)
{
    require(!begun(run), "second beginning");
    const QString guid = reader.readLstr();
    const bool networkOk = reader.readFlag();
    const bool fromServer = reader.readFlag();
    TResultTest record;
    record.LoadFromStream(reader);
    record.TaskOrder = readIndexes(reader);
    const bool statesUsed = reader.readFlag();

    require(!guid.isEmpty(), "no run GUID");
    require(fromServer == run.TestFromServer, "server test without its bytes");
    require(perTaskArraysAgree(record), "per-task arrays differ in length");
    require(record.TaskCount >= 1 && record.TaskCount == record.TaskOrder.size(), "task count");
    require(distinctBelow(record.TaskOrder, record.TaskResults.size()), "task order");
    require(record.EndReason == erNone && record.ElapsedSeconds >= 0, "run ended or timed at its beginning");
    if (statesUsed)
        record.TaskStates.fill(-1, record.TaskCount);
    record.CurrentPos = 0;

    run.RunGUID = guid;
    run.NetworkOK = networkOk;
    run.Record = std::move(record);
    run.BegunAt = at;
    run.ClocksAt = at;
}

} // namespace

QByteArray EncodeBegin(qint64 at, const TResultTest& r, const QString& runGuid, bool networkOk,
                       bool testFromServer)
{
    return payload(at, [&](BinaryWriter& w) {
        w.writeLstr(runGuid);
        w.writeFlag(networkOk);
        w.writeFlag(testFromServer);
        r.SaveToStream(w);
        writeIndexes(w, r.TaskOrder);
        w.writeFlag(!r.TaskStates.isEmpty());
    });
}

void ApplyTestBytes(qint64 at, qint64 size, QByteArray bytes, JournalRun& run)
{
    require(!begun(run) && !run.TestFromServer, "test bytes out of place");
    run.TestFromServer = true;
    run.TestBytesSize = size;
    run.TestBytes = std::move(bytes);
    run.LastEventAt = utc(at);
    ++run.EventCount;
}

// ---- a task shown ----

QByteArray EncodeTaskShown(qint64 at, const TResultTest& r)
{
    return payload(at, [&](BinaryWriter& w) {
        w.writeInt32(r.CurrentPos);
        w.writeInt32(r.AskedCount);
        writeIndexes(w, r.VariantOrder);
        w.writeInt32(r.GetTaskSeconds(taskIndexAt(r, r.CurrentPos)));
    });
}

namespace {

void applyTaskShown(BinaryReader& reader, JournalRun& run)
{
    const std::int32_t position = reader.readInt32();
    const std::int32_t asked = reader.readInt32();
    const QList<int> variantOrder = readIndexes(reader);
    const std::int32_t seconds = reader.readInt32();

    requireRunning(run);
    TResultTest& r = run.Record;
    require(position >= 0 && position < r.TaskCount, "position");
    require(r.TaskStates.isEmpty() || r.TaskStates.at(position) < 1, "an answered task shown again");
    require(asked >= 1, "shown count");
    require(variantOrder.size() <= kMaxVariantOrder && distinctBelow(variantOrder, variantOrder.size()),
            "variant order");
    require(seconds >= 0, "task seconds");

    r.CurrentPos = position;
    r.AskedCount = asked;
    r.VariantOrder = variantOrder;
    if (!r.TaskStates.isEmpty())
        r.TaskStates[position] = 0;
    r.SetTaskSeconds(taskIndexAt(r, position), seconds);
    run.TaskOnScreen = true;
    run.CurrentEvaluated = false;
}

} // namespace

// ---- the hint ----

QByteArray EncodeHintUsed(qint64 at, const TResultTest& r)
{
    const int i = taskIndexAt(r, r.CurrentPos);
    return payload(at, [&](BinaryWriter& w) {
        w.writeInt32(i);
        w.writeInt32(r.GetTaskPenalty(i));
    });
}

namespace {

void applyHintUsed(BinaryReader& reader, JournalRun& run)
{
    const std::int32_t i = reader.readInt32();
    const std::int32_t penalty = reader.readInt32();
    requireCurrentTask(run, i);
    run.Record.SetTaskPenalty(i, penalty);
}

} // namespace

// ---- evaluation ----

QByteArray EncodeTaskEvaluated(qint64 at, const TResultTest& r)
{
    const int i = taskIndexAt(r, r.CurrentPos);
    return payload(at, [&](BinaryWriter& w) {
        w.writeInt32(i);
        w.writeInt32(r.GetTaskResult(i));
        w.writeLstr(r.GetTaskAnswer(i));
        w.writeInt32(r.GetTaskSeconds(i));
        w.writeInt32(r.GetTaskPenalty(i));
        w.writeDouble(r.Points);
        w.writeInt32(r.RightCount);
        w.writeInt32(r.WrongCount);
        w.writeInt32(r.SkipCount);
        w.writeInt32(r.PromptCount);
        w.writeInt32(r.AskedMaxPoints);
    });
}

namespace {

void applyTaskEvaluated(BinaryReader& reader, JournalRun& run)
{
    const std::int32_t i = reader.readInt32();
    const std::int32_t result = reader.readInt32();
    const QString answer = reader.readLstr();
    const std::int32_t seconds = reader.readInt32();
    const std::int32_t penalty = reader.readInt32();
    const double points = reader.readDouble();
    const std::int32_t right = reader.readInt32();
    const std::int32_t wrong = reader.readInt32();
    const std::int32_t skip = reader.readInt32();
    const std::int32_t prompt = reader.readInt32();
    const std::int32_t askedMax = reader.readInt32();

    requireCurrentTask(run, i);
    require(seconds >= 0, "task seconds"); // the task was shown, so its clock counted
    require(std::isfinite(points), "points");
    require(right >= 0 && wrong >= 0 && skip >= 0 && prompt >= 0, "counters");

    TResultTest& r = run.Record;
    r.SetTaskResult(i, result);
    r.SetTaskAnswer(i, answer);
    r.SetTaskSeconds(i, seconds);
    r.SetTaskPenalty(i, penalty);
    r.Points = points;
    r.RightCount = right;
    r.WrongCount = wrong;
    r.SkipCount = skip;
    r.PromptCount = prompt;
    r.AskedMaxPoints = askedMax;
    if (!r.TaskStates.isEmpty())
        r.TaskStates[r.CurrentPos] = 1;
    run.CurrentEvaluated = true;
}

} // namespace

// ---- clocks and network ----

QByteArray EncodeClocks(qint64 at, const TResultTest& r, bool taskOnScreen)
{
    const int i = taskOnScreen ? taskIndexAt(r, r.CurrentPos) : -1;
    return payload(at, [&](BinaryWriter& w) {
        w.writeInt32(r.ElapsedSeconds);
        w.writeInt32(i);
        w.writeInt32(i >= 0 ? r.GetTaskSeconds(i) : -1);
    });
}

QByteArray EncodeNetwork(qint64 at, bool networkOk)
{
    return payload(at, [&](BinaryWriter& w) { w.writeFlag(networkOk); });
}

namespace {

void applyClocks(BinaryReader& reader, const QDateTime& at, JournalRun& run)
{
    const std::int32_t elapsed = reader.readInt32();
    const std::int32_t i = reader.readInt32();
    const std::int32_t seconds = reader.readInt32();
    requireRunning(run);
    require(elapsed >= 0, "elapsed seconds");
    if (i != -1) {
        // The task clock stops at the evaluation, but the test clock's record may still name it.
        require(run.TaskOnScreen && i == taskIndexAt(run.Record, run.Record.CurrentPos),
                "clock of another task");
        require(seconds >= 0, "task seconds");
        run.Record.SetTaskSeconds(i, seconds);
    }
    run.Record.ElapsedSeconds = elapsed;
    run.ClocksAt = at;
}

void applyNetwork(BinaryReader& reader, JournalRun& run)
{
    const bool ok = reader.readFlag();
    requireRunning(run);
    run.NetworkOK = ok;
}

} // namespace

// ---- the end and its outputs ----

QByteArray EncodeEnd(qint64 at, const TResultTest& r)
{
    return payload(at, [&](BinaryWriter& w) { r.SaveToStream(w); });
}

QByteArray EncodeOutputDone(qint64 at, JournalOutput output)
{
    return payload(at, [&](BinaryWriter& w) { w.writeByte(static_cast<std::uint8_t>(output)); });
}

namespace {

void applyEnd(BinaryReader& reader, const QDateTime& at, JournalRun& run)
{
    requireRunning(run);
    TResultTest ended = run.Record; // keeps the working fields
    ended.LoadFromStream(reader);
    const TResultTest& before = run.Record;
    require(perTaskArraysAgree(ended) && ended.TaskResults.size() == before.TaskResults.size(),
            "per-task arrays changed");
    require(ended.TaskCount == before.TaskCount && ended.TestFileCRC == before.TestFileCRC, "another run");
    require(ended.EndReason >= erFinished && ended.EndReason <= erProgramClosed, "end reason");
    require(ended.ElapsedSeconds >= 0, "elapsed seconds");
    run.Record = std::move(ended);
    run.Ended = true;
    run.ClocksAt = at;
}

void applyOutputDone(BinaryReader& reader, JournalRun& run)
{
    const std::uint8_t output = reader.readByte();
    require(run.Ended, "output before the end");
    require(output >= static_cast<std::uint8_t>(JournalOutput::ResultLog) &&
                output <= static_cast<std::uint8_t>(JournalOutput::ServerResult),
            "unknown output");
    run.OutputsDone |= static_cast<std::uint8_t>(1u << output);
}

} // namespace

void ApplyEvent(std::uint8_t type, BinaryReader& reader, JournalRun& run)
{
    const QDateTime at = utc(reader.readInt64());
    switch (type) {
    case evBegin:
        applyBegin(reader, at, run);
        break;
    case evTaskShown:
        applyTaskShown(reader, run);
        break;
    case evHintUsed:
        applyHintUsed(reader, run);
        break;
    case evTaskEvaluated:
        applyTaskEvaluated(reader, run);
        break;
    case evClocks:
        applyClocks(reader, at, run);
        break;
    case evNetwork:
        applyNetwork(reader, run);
        break;
    case evEnd:
        applyEnd(reader, at, run);
        break;
    case evOutputDone:
        applyOutputDone(reader, run);
        break;
    default:
        throw FormatError("unknown event");
    }
    require(reader.device().atEnd(), "bytes left over in an event");
    run.LastEventAt = at;
    ++run.EventCount;
}

} // namespace kvizor::journal
