#pragma once

namespace kvizor {

// Outside a desktop session nothing names a session bus. libdbus then tries to start one
// (dbus-launch --autolaunch) as soon as Qt asks, for instance whether a screen reader
// listens: time lost before the window shows and, where dbus-launch exists, a bus daemon
// left behind. While this object lives (or until restore()), such a process has the bus
// switched off; a process with a session bus is left alone. Afterwards the environment is
// as it was, so the programs it starts see what the session gave it.
class NoBusAutolaunch
{
public:
    NoBusAutolaunch();
    ~NoBusAutolaunch();
    NoBusAutolaunch(const NoBusAutolaunch&) = delete;
    NoBusAutolaunch& operator=(const NoBusAutolaunch&) = delete;

    void restore();

private:
    bool m_switchedOff;
};

} // namespace kvizor
