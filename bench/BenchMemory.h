#pragma once

#include <QByteArray>
#include <QFile>

// A figure of this process's /proc status in KiB ("VmRSS:", "VmHWM:"); -1 when unknown.
inline qint64 benchStatusKiB(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Starts the high-water mark (VmHWM) again from the current resident size.
inline void benchResetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}
