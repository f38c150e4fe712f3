// Behaves like the program's start-up for the single-instance tests and reports on stdout:
//   first             this process became the first instance (then "message:<text>" per hand-off)
//   first alone       first instance whose channel could not be opened
//   second delivered  the message reached the first instance
//   second undelivered
// Arguments: <folder> [--message <text>] [--expect <n>] [--delivery-timeout <ms>]
// A first instance exits after <n> hand-offs; without --expect it runs until killed.

#include "platform/linux/LocalSingleInstance.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

using namespace kvizor;

namespace {

void say(const QString& line)
{
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return 2;
    const QString folder = args.takeFirst();
    QString message;
    int expect = -1;
    int deliveryTimeout = 5000;
    while (args.size() >= 2) {
        const QString option = args.takeFirst();
        const QString value = args.takeFirst();
        if (option == QLatin1String("--message"))
            message = value;
        else if (option == QLatin1String("--expect"))
            expect = value.toInt();
        else if (option == QLatin1String("--delivery-timeout"))
            deliveryTimeout = value.toInt();
        else
            return 2;
    }

    LocalSingleInstance instance(SingleInstance::HandOffChannel, folder);
    instance.setDeliveryTimeout(deliveryTimeout);
    if (instance.start() == SingleInstance::Role::Second) {
        const bool delivered = instance.sendHandOff(message);
        say(delivered ? QStringLiteral("second delivered") : QStringLiteral("second undelivered"));
        return 0;
    }

    say(instance.isListening() ? QStringLiteral("first") : QStringLiteral("first alone"));
    int received = 0;
    QObject::connect(&instance, &SingleInstance::handOffReceived, &app, [&](const QString& text) {
        say(QStringLiteral("message:") + text);
        if (++received == expect)
            app.quit();
    });
    if (expect == 0)
        return 0;
    // A safety net, so a failing test never leaves this process behind.
    QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(3); });
    return app.exec();
}
