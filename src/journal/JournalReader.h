#pragma once

#include "JournalRun.h"

#include <QByteArray>
#include <QString>

class QIODevice;

namespace kvizor {

enum class JournalStatus
{
    // A run to resume: the state after the last complete event.
    Ok,
    // No complete beginning of a run (cut before it was written): nothing to resume or lose.
    Empty,
    // Fails its checks (foreign file, other key or version, a changed or impossible event):
    // not to be resumed; set it aside.
    Damaged,
    // Could not be read (permissions, an I/O error); left where it is.
    Unreadable,
};

struct JournalReadResult
{
    JournalStatus Status = JournalStatus::Empty;
    JournalRun Run;
    // A partial last event was left out; appending continues after Run.Tail.ValidLength.
    bool TailCut = false;
    // Why the journal is damaged or unreadable, a text for the result log.
    QString Problem;
};

struct JournalReadOptions
{
    // Keep the bytes of a server test (for resuming); otherwise only their size is taken
    // and they are checked in passing, never held.
    bool WithTestBytes = false;
    // Empty: the program's key.
    QByteArray Key;
};

// Reads a journal from the start of a random-access device. Never throws.
JournalReadResult ReadJournal(QIODevice& device, const JournalReadOptions& options = {});
// The same for a file; the tail's Path is set to path.
JournalReadResult ReadJournalFile(const QString& path, const JournalReadOptions& options = {});

} // namespace kvizor
