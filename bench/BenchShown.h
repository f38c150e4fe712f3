#pragma once

#include "BenchCpu.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <ctime>

// Milliseconds since the driver started this child (KVIZOR_BENCH_T0, monotonic ns).
inline double benchSinceSpawn()
{
    const char* t0 = std::getenv("KVIZOR_BENCH_T0");
    if (t0 == nullptr)
        return 0;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const double ns = double(now.tv_sec) * 1e9 + double(now.tv_nsec);
    return (ns - std::strtod(t0, nullptr)) / 1e6;
}

inline void benchMark(const char* what)
{
    std::printf("%s %.1f\n", what, benchSinceSpawn());
}

// Ends a benchmark child once its first top-level window is on screen: at the first
// expose event, after the pending paint, it prints "shown" and quits.
class QuitWhenShown : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_done && event->type() == QEvent::Expose) {
            auto* window = qobject_cast<QWindow*>(watched);
            if (window != nullptr && window->isExposed()) {
                m_done = true;
                QTimer::singleShot(0, qApp, [] {
                    std::printf("cpu %.1f\n", benchProcessCpu());
                    benchMark("shown");
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_done = false;
};
