#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

namespace kvizor::unixsocket {

// Local stream sockets at a path, with plain system calls: the single-instance channel
// needs no more, and the program starts without the network libraries. All descriptors
// are non-blocking and closed on exec.

// A listening socket at path, readable and writable by its owner only; -1 with the reason.
int Listen(const QString& path, QString* error);

// The next waiting connection from a process of the same user, or -1 when none waits.
// Connections from other users are closed unseen.
int AcceptSameUser(int listening);

// A connection to the socket at path, waiting until the deadline at most; -1 when nothing
// listens there.
int Connect(const QString& path, QDeadlineTimer deadline);

// Writes everything before the deadline.
bool WriteAll(int fd, const QByteArray& bytes, QDeadlineTimer deadline);

// Waits until the descriptor is readable (or closed) or the deadline passes.
bool WaitReadable(int fd, QDeadlineTimer deadline);

// What can be read now without waiting; closed is set when the peer has closed.
QByteArray ReadAvailable(int fd, bool* closed);

void Close(int fd);
void Remove(const QString& path);

} // namespace kvizor::unixsocket
