#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

// System calls the journal files need and Qt does not offer: exclusive creation with owner-only
// permissions, writes made durable before returning, and advisory locks that tell a journal
// in use by a running program.
namespace kvizor::journal::files {

// The system's text for the last error.
QString LastError();

// Makes folder (and its parents) when missing and gives it owner-only permissions.
bool MakePrivateFolder(const QString& folder, QString* error);

// Creates path, which must not exist, for writing (appending), mode 0600, holding an
// exclusive lock. -1 on failure.
int CreateExclusive(const QString& path, QString* error);
// Opens an existing path for appending, holding an exclusive lock. -1 on failure, also when
// another program holds its lock.
int OpenForAppend(const QString& path, QString* error);
// Opens path for reading with a shared lock; -1 with *busy set when a running program
// holds it, -1 with the error otherwise.
int OpenForReading(const QString& path, bool* busy, QString* error);

// Writes every piece (retrying short writes and interruptions), then, when durable, fdatasync.
bool Write(int fd, const QList<QByteArrayView>& pieces, bool durable, QString* error);
// Cuts the file to length and makes that durable.
bool TruncateDurably(int fd, qint64 length, QString* error);
// Size of an open file, -1 on failure.
qint64 FileSize(int fd);
// Makes a creation, removal or rename inside folder durable.
bool SyncFolder(const QString& folder);
void Close(int fd);

} // namespace kvizor::journal::files
