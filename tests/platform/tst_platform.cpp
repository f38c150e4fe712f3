#include "PlatformTests.h"
#include "support/TestEnvironment.h"

#include <QGuiApplication>

// Opening documents and sound need a GUI application; the harness runs it offscreen.
int main(int argc, char** argv)
{
    const kvizor::test::TestEnvironment environment;
    QGuiApplication app(argc, argv);
    int failures = 0;
    failures += runSingleInstanceTests(argc, argv);
    failures += runDesktopIntegrationTests(argc, argv);
    failures += runSoundTests(argc, argv);
    failures += runShellServicesTests(argc, argv);
    return failures;
}
