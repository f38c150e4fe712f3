#include "app/StudentProgram.h"

#include "platform/SessionBus.h"
#include "platform/SingleInstance.h"
#include "ui/FontStandIns.h"
#include "ui/LazyIconStyle.h"
#include "ui/StudentMainForm.h"

#include <QApplication>
#include <QFileInfo>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace kvizor {

namespace {

int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe work here: the event loop picks the byte up.
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT (logout, shutdown, Ctrl+C) end the program without a question: a run
// in progress ends as "закрыта программа" with all its outputs, and the window closes the
// normal way (close line of the log, settings and recent files stored).
void endOnTerminationSignals(TStudentMainForm& window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(g_signalPipe[0], &byte, 1);
        notifier->setEnabled(false);
        window.Terminate();
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// The first argument names a test; a relative path is made absolute here, because a
// running first instance resolves it in another working folder.
QString firstArgument(const QStringList& arguments)
{
    if (arguments.size() < 2)
        return {};
    const QString path = arguments.at(1);
    if (path.isEmpty() || QFileInfo(path).isAbsolute())
        return path;
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

int RunStudentProgram(int argc, char** argv, const StudentProgramOptions& options)
{
    QApplication::setOrganizationName(QStringLiteral("Kvizor3"));
    QApplication::setApplicationName(QStringLiteral("Student"));
    QApplication::setDesktopFileName(QStringLiteral("KvizorStudent"));
    // The main menu is a part of the window, also where the desktop offers a global menu bar.
    QApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    // The window is built without a session-bus autolaunch; see NoBusAutolaunch.
    NoBusAutolaunch noBus;
    QApplication app(argc, argv);
    QApplication::setStyle(new LazyIconStyle);
    installFontStandIns();

    const QStringList arguments = QApplication::arguments();
    const QString argument = firstArgument(arguments);

    std::unique_ptr<SingleInstance> instance = SingleInstance::create();
    if (instance->start() == SingleInstance::Role::Second) {
        instance->sendHandOff(argument);
        return 0;
    }

    TStudentMainForm::Options windowOptions;
    if (arguments.size() >= 2)
        windowOptions.arguments = {argument};
    if (options.adjustWindow)
        options.adjustWindow(windowOptions);
    TStudentMainForm window(windowOptions);
    endOnTerminationSignals(window);
    // Logout asks the program to save its work: the same as a termination signal.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.Terminate(); });
    // Every event loop ends, also one of a modal box that was open.
    QObject::connect(&window, &TStudentMainForm::terminationFinished, &app,
                     [] { QCoreApplication::exit(0); });
    // Hand-offs wait in the channel until the window has opened its own test.
    QObject::connect(&window, &TStudentMainForm::startupFinished, &window, [&window, &instance] {
        QObject::connect(instance.get(), &SingleInstance::handOffReceived, &window,
                         &TStudentMainForm::HandleHandOff);
    });
    if (options.onWindowCreated)
        options.onWindowCreated(window);
    window.show();
    noBus.restore();
    return QApplication::exec();
}

} // namespace kvizor
