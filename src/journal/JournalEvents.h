#pragma once

#include "JournalRun.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace kvizor {

class BinaryReader;
class TResultTest;

// The payloads of the journal's events: each encoder sits beside the code that applies it,
// so one place reads and writes each field. Every payload starts with the wall-clock time
// (ms since the epoch, UTC). The encoders take what they need from the run record, as the
// controller holds it right after the change.
namespace journal {

QByteArray EncodeBegin(qint64 at, const TResultTest& r, const QString& runGuid, bool networkOk,
                       bool testFromServer);
// The task at CurrentPos has just been shown (its first clock tick counted).
QByteArray EncodeTaskShown(qint64 at, const TResultTest& r);
// The hint of the task on screen was shown; its penalty is recorded.
QByteArray EncodeHintUsed(qint64 at, const TResultTest& r);
// The task on screen has been evaluated into the record.
QByteArray EncodeTaskEvaluated(qint64 at, const TResultTest& r);
// The test clock and, when a task is on screen, its clock.
QByteArray EncodeClocks(qint64 at, const TResultTest& r, bool taskOnScreen);
QByteArray EncodeNetwork(qint64 at, bool networkOk);
// The run has ended: the whole stored record as it is now.
QByteArray EncodeEnd(qint64 at, const TResultTest& r);
QByteArray EncodeOutputDone(qint64 at, JournalOutput output);

// Applies one event (payload from its time on) to run. Throws FormatError for a payload that
// is short, has bytes left over, holds impossible values or cannot follow the events before
// it; run is then unusable. The test bytes event is the reader's (ApplyTestBytes).
void ApplyEvent(std::uint8_t type, BinaryReader& payload, JournalRun& run);
// The test's bytes (size of them, and the bytes when kept) of a server test.
void ApplyTestBytes(qint64 at, qint64 size, QByteArray bytes, JournalRun& run);

} // namespace journal
} // namespace kvizor
