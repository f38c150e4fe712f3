#include "Commands.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstring>
#include <iterator>
#include <memory>

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
    {"results", kvizor::kvf::runResults, "results [--json|--csv] FILE.kvpr"},
    {"config", kvizor::kvf::runConfig, "config [--json | --complete] FILE"},
    {"rtf", kvizor::kvf::runRtf, "rtf --plain FILE | rtf --html FILE"},
    {"import", kvizor::kvf::runImport, "import SOURCE OUT.kvf [--title T] [--hint-penalty N]"},
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
    // Drawing metafile pictures and converting texts through documents need fonts, which need
    // a GUI application; no display is used.
    const bool gui = argc > 1 && (std::strcmp(argv[1], "rtf") == 0 || std::strcmp(argv[1], "import") == 0);
    if (gui && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> app =
        gui ? std::make_unique<QGuiApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
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
