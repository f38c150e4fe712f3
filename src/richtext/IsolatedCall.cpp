#include "IsolatedCall.h"

#include <QElapsedTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kvizor::metafile {
namespace {

void fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
}

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

QByteArray CallIsolated(const std::function<QByteArray()>& work, int seconds, qsizetype maxBytes,
                        QString* error)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        fail(error, QStringLiteral("cannot create a pipe"));
        return {};
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        fail(error, QStringLiteral("cannot start the converter"));
        return {};
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
    QByteArray answer;
    QElapsedTimer clock;
    clock.start();
    const qint64 limitMs = qint64(seconds) * 1000;
    bool bounded = true;
    char buffer[65536];
    for (;;) {
        const qint64 left = limitMs - clock.elapsed();
        if (left <= 0) {
            bounded = false;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int r = ::poll(&p, 1, int(left));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            bounded = false;
            break;
        }
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        answer.append(buffer, n);
        if (answer.size() > maxBytes + 1) {
            bounded = false;
            break;
        }
    }
    ::close(fds[0]);
    if (!bounded)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!bounded) {
        fail(error, QStringLiteral("the converter exceeded its time or size bound"));
        return {};
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fail(error, QStringLiteral("the converter failed on this data"));
        return {};
    }
    if (answer.size() < 2 || answer[0] != 1) {
        fail(error, QStringLiteral("the data could not be converted"));
        return {};
    }
    return answer.mid(1);
}

} // namespace kvizor::metafile
