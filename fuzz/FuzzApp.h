#pragma once

#include <QByteArray>
#include <QGuiApplication>

// Pictures are drawn with fonts, which need a GUI application; fuzzing runs offscreen.
inline void startFuzzApplication()
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}
