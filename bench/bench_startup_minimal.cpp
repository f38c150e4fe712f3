// The yardstick of the start-up benchmark: a Qt Widgets program showing one empty window.
#include "BenchShown.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    benchMark("main");
    QApplication app(argc, argv);
    benchMark("application");
    QuitWhenShown quit;
    app.installEventFilter(&quit);
    QWidget window;
    window.resize(672, 600);
    window.show();
    return QApplication::exec();
}
