#include "Commands.h"

#include <QCoreApplication>

#include <iterator>

namespace {

struct Command
{
    const char* name;
    int (*run)(const QStringList& args);
    const char* usage;
};

// One row per subcommand; each lives in its own Cmd*.cpp.
const Command kCommands[] = {
    {"make", kvizor::kvf::runMake, "make SOURCE.json OUT.kvf"},
    {"info", kvizor::kvf::runInfo, "info [--json] [--password P] FILE.kvf"},
    {"config", kvizor::kvf::runConfig, "config [--json | --complete] FILE"},
};

int usage()
{
    QString text = QStringLiteral("usage:\n");
    for (const Command& command : kCommands)
        text += QStringLiteral("  kvf %1\n").arg(QLatin1String(command.usage));
    kvizor::kvf::printError(text.trimmed());
    return 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString name = args.takeFirst();
    for (const Command& command : kCommands) {
        if (name == QLatin1String(command.name))
            return command.run(args);
    }
    return usage();
}
