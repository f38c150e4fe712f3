#pragma once

#include "JournalRun.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>

namespace kvizor {

class TResultTest;

// What the run controller tells the journal at every change of a run, right after making
// the change in its record. Each call returns once the event is stored so that it survives the
// end of the program (a kill, a crash); events that record what cannot be worked out again
// (the beginning, a hint, an evaluation, the network state, the end and its outputs) also
// survive a power cut by then. A task shown and a clock tick are made durable with the next
// such event: a power cut loses at most which task was on screen (resuming shows the next open
// one) and clock ticks (resuming counts the time from the clocks it has).
// A call returns false when the event could not be stored: the journal then stops (later calls
// return false too) with its storage cut back to the last complete event, and the run goes on
// without it. An event that cannot follow the ones before it (a controller fault) stops it the
// same way.
class IRunJournal
{
public:
    virtual ~IRunJournal() = default;

    // The run has begun: the record holds the examinee, the test identity, StartTime,
    // TaskOrder, TaskCount, MaxPoints and TaskStates (allocated when skipping is allowed).
    // serverTestBytes: the bytes of a test that came from the server, empty for a test
    // opened from disk.
    virtual bool Begin(const TResultTest& record, const QString& runGuid, bool networkOk,
                       QByteArrayView serverTestBytes = {}) = 0;
    // Goes on with the journal a resumed run was read from (its partial tail is cut off).
    virtual bool Resume(const JournalRun& run) = 0;

    // The task at CurrentPos is on screen with its VariantOrder, AskedCount and TaskStates
    // updated and its first clock tick counted (after a skip or a jump too).
    virtual bool TaskShown(const TResultTest& record) = 0;
    // The hint of the task on screen was shown; TaskPenalties holds its penalty.
    virtual bool HintUsed(const TResultTest& record) = 0;
    // The task on screen was evaluated into the record (result, answer, seconds, counters).
    virtual bool TaskEvaluated(const TResultTest& record) = 0;
    // A clock ticked: ElapsedSeconds and the task on screen's TaskSeconds.
    virtual bool Clocks(const TResultTest& record) = 0;
    virtual bool NetworkChanged(bool networkOk) = 0;
    // The run has ended: EndReason, EndTime, TestDate and the grade are set.
    virtual bool End(const TResultTest& record) = 0;
    // One output of the ended run has been written.
    virtual bool OutputDone(JournalOutput output) = 0;
    // The run's outputs are written: the journal goes away; the object can begin a new run.
    virtual void Discard() = 0;

    // A run is being journaled (begun or resumed, not discarded).
    virtual bool Active() const = 0;
    // Why the last call failed.
    virtual QString ErrorText() const = 0;
};

// The events, their checks and their chain of MACs; where the bytes go is the subclass's.
// Every event is first applied to a copy of the run as the reader rebuilds it, so nothing
// is written that a reader would refuse.
class TRunJournal : public IRunJournal
{
public:
    // now: the wall clock (tests fix it); key: empty for the program's key.
    explicit TRunJournal(std::function<QDateTime()> now = {}, QByteArray key = {});

    bool Begin(const TResultTest& record, const QString& runGuid, bool networkOk,
               QByteArrayView serverTestBytes = {}) override;
    bool Resume(const JournalRun& run) override;
    bool TaskShown(const TResultTest& record) override;
    bool HintUsed(const TResultTest& record) override;
    bool TaskEvaluated(const TResultTest& record) override;
    bool Clocks(const TResultTest& record) override;
    bool NetworkChanged(bool networkOk) override;
    bool End(const TResultTest& record) override;
    bool OutputDone(JournalOutput output) override;
    void Discard() override;
    bool Active() const override { return m_active; }
    QString ErrorText() const override { return m_error; }

    // The journal stopped after a failed or refused event.
    bool Failed() const { return m_failed; }
    // The run as a reader of the stored events rebuilds it (the test bytes left out).
    const JournalRun& Current() const { return m_run; }

protected:
    // New storage for a run, named after it; false with setError when it cannot be made.
    virtual bool CreateStorage(const QString& runName) = 0;
    // The storage a journal was read from, cut to tail.ValidLength.
    virtual bool ReopenStorage(const JournalTail& tail) = 0;
    // Appends the pieces in order. When it returns true they survive the end of the program,
    // and with durable also a power cut.
    virtual bool AppendStorage(const QList<QByteArrayView>& pieces, bool durable) = 0;
    // Cuts the storage back after a failed append (best effort).
    virtual void TruncateStorage(qint64 length) = 0;
    // Removes the storage (the run's outputs are written, or a beginning failed).
    virtual void RemoveStorage() = 0;
    // Where the storage lives (a file's path); empty for memory.
    virtual QString StoragePath() const = 0;

    void setError(const QString& text) { m_error = text; }

private:
    bool append(std::uint8_t type, const QByteArray& payload);
    bool stop(const QString& text);
    qint64 now() const;

    std::function<QDateTime()> m_now;
    QByteArray m_key;
    bool m_active = false;
    bool m_failed = false;
    QString m_error;
    JournalRun m_run;
    QByteArray m_chain;
    qint64 m_length = 0;
};

// A journal held in memory, for tests: its bytes read back with ReadJournal.
class MemoryRunJournal : public TRunJournal
{
public:
    using TRunJournal::TRunJournal;
    ~MemoryRunJournal() override;

    const QByteArray& Bytes() const { return m_bytes; }
    // The bytes a later Resume goes on from (a journal as read back, cut or whole).
    void SetBytes(QByteArray bytes) { m_bytes = std::move(bytes); }
    // Storage refuses bytes beyond this total, part of a frame written, as a full disk
    // would; -1: no limit.
    void SetCapacity(qint64 bytes) { m_capacity = bytes; }
    bool HasStorage() const { return m_hasStorage; }

protected:
    bool CreateStorage(const QString& runName) override;
    bool ReopenStorage(const JournalTail& tail) override;
    bool AppendStorage(const QList<QByteArrayView>& pieces, bool durable) override;
    void TruncateStorage(qint64 length) override;
    void RemoveStorage() override;
    QString StoragePath() const override { return QString(); }

private:
    QByteArray m_bytes;
    qint64 m_capacity = -1;
    bool m_hasStorage = false;
};

} // namespace kvizor
