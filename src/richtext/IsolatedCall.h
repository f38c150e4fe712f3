#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <functional>

#include <sys/types.h>

namespace kvizor::metafile {

// Runs `work` in a forked child process and returns its answer, or empty with the reason
// when the child crashed, exceeded `seconds` or `maxBytes`, or answered nothing. Libraries
// that are not made for hostile input run there: a crash or hang is a failed answer.
QByteArray CallIsolated(const std::function<QByteArray()>& work, int seconds, qsizetype maxBytes,
                        QString* error);

// The same call started without waiting: the caller watches answerFd() (for example with a
// socket notifier), reads what has arrived with readAvailable() and takes the answer with
// finish(). The time bound counts from the start; a child still running when the object is
// destroyed is killed and reaped.
class IsolatedChild
{
public:
    IsolatedChild(const std::function<QByteArray()>& work, int seconds, qsizetype maxBytes);
    ~IsolatedChild();
    IsolatedChild(const IsolatedChild&) = delete;
    IsolatedChild& operator=(const IsolatedChild&) = delete;

    // The child's process id; -1 when it could not be started.
    pid_t pid() const { return m_pid; }
    // Readable while the child is answering; -1 once everything has been read.
    int answerFd() const { return m_fd; }
    // Reads what has arrived without waiting; true once the answer is complete (or has
    // failed), so finish() returns at once.
    bool readAvailable();
    // Time left before the bound; a caller that only reacts to answerFd() calls
    // readAvailable() then, so that a silent child is ended.
    int millisecondsLeft() const;
    // Waits for the rest of the answer within the time bound; the answer, or empty with
    // the reason.
    QByteArray finish(QString* error);

private:
    enum class Step
    {
        Read, // something was read (or a signal interrupted): try again
        Idle, // nothing arrived within the wait
        Over  // the answer is complete or has failed
    };
    Step readOnce(int waitMs);
    void endReading(bool bounded);

    pid_t m_pid = -1;
    int m_fd = -1;
    QByteArray m_answer;
    QString m_error;
    QElapsedTimer m_clock;
    qint64 m_limitMs = 0;
    qsizetype m_maxBytes = 0;
    bool m_bounded = true;
};

} // namespace kvizor::metafile
