#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWindow>

#include <cstdio>

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
                    std::fputs("shown\n", stdout);
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
