#include "IsolatedCall.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kvizor::metafile {
namespace {

bool writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, std::size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

IsolatedChild::IsolatedChild(const std::function<QByteArray()>& work, int seconds, qsizetype maxBytes)
    : m_limitMs(qint64(seconds) * 1000), m_maxBytes(maxBytes)
{
    m_clock.start();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        m_error = QStringLiteral("cannot create a pipe");
        return;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        m_error = QStringLiteral("cannot start the converter");
        return;
    }
    if (pid == 0) {
        ::close(fds[0]);
        // Faults and the time bound end the child; inherited handlers must not run here.
        for (const int sig : {SIGPIPE, SIGALRM, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
            ::signal(sig, SIG_DFL);
        ::alarm(unsigned(seconds) + 1);
        const QByteArray out = work();
        const char ok = out.isEmpty() ? 0 : 1;
        writeAll(fds[1], &ok, 1);
        writeAll(fds[1], out.constData(), out.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    m_pid = pid;
    m_fd = fds[0];
}

IsolatedChild::~IsolatedChild()
{
    if (m_fd >= 0)
        endReading(false);
}

bool IsolatedChild::readAvailable()
{
    while (m_fd >= 0) {
        if (readOnce(0) == Step::Idle)
            return false;
    }
    return true;
}

int IsolatedChild::millisecondsLeft() const
{
    return int(std::max<qint64>(0, m_limitMs - m_clock.elapsed()));
}

IsolatedChild::Step IsolatedChild::readOnce(int waitMs)
{
    if (m_clock.elapsed() >= m_limitMs) {
        endReading(false);
        return Step::Over;
    }
    pollfd p{m_fd, POLLIN, 0};
    const int r = ::poll(&p, 1, waitMs);
    if (r < 0 && errno == EINTR)
        return Step::Read;
    if (r < 0) {
        endReading(false);
        return Step::Over;
    }
    if (r == 0)
        return Step::Idle;
    char buffer[65536];
    const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
        return Step::Read;
    if (n <= 0) {
        endReading(true);
        return Step::Over;
    }
    m_answer.append(buffer, n);
    if (m_answer.size() > m_maxBytes + 1) {
        endReading(false);
        return Step::Over;
    }
    return Step::Read;
}

void IsolatedChild::endReading(bool bounded)
{
    m_bounded = bounded;
    ::close(m_fd);
    m_fd = -1;
    if (!bounded)
        ::kill(m_pid, SIGKILL);
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!bounded)
        m_error = QStringLiteral("the converter exceeded its time or size bound");
    else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        m_error = QStringLiteral("the converter failed on this data");
    else if (m_answer.size() < 2 || m_answer[0] != 1)
        m_error = QStringLiteral("the data could not be converted");
}

QByteArray IsolatedChild::finish(QString* error)
{
    while (m_fd >= 0)
        readOnce(millisecondsLeft());
    if (!m_error.isEmpty()) {
        if (error)
            *error = m_error;
        return {};
    }
    return m_answer.mid(1);
}

QByteArray CallIsolated(const std::function<QByteArray()>& work, int seconds, qsizetype maxBytes,
                        QString* error)
{
    IsolatedChild child(work, seconds, maxBytes);
    return child.finish(error);
}

} // namespace kvizor::metafile
