#include "Commands.h"

#include "common/FormatError.h"
#include "import/QuizImporter.h"

namespace kvizor::kvf {
namespace {

int usage()
{
    printError(QStringLiteral("usage: kvf import SOURCE OUT.kvf [--title T] [--hint-penalty N]"));
    return 1;
}

} // namespace

// kvf import SOURCE OUT.kvf [--title T] [--hint-penalty N]: a Moodle XML or GIFT quiz as a
// test file. Every question left out and every detail not carried over goes to standard error.
int runImport(const QStringList& args)
{
    QStringList files;
    TImportOptions options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--title") && i + 1 < args.size()) {
            options.Title = args.at(++i);
        } else if (arg == QLatin1String("--hint-penalty") && i + 1 < args.size()) {
            bool ok = false;
            options.HintPenalty = args.at(++i).toInt(&ok);
            if (!ok || options.HintPenalty < 0)
                return usage();
        } else if (arg.startsWith(QLatin1String("--"))) {
            return usage();
        } else {
            files.append(arg);
        }
    }
    if (files.size() != 2)
        return usage();

    const std::unique_ptr<TQuizImport> import = TQuizImport::FromFile(files.at(0), options);
    for (const QString& warning : import->warnings())
        printError(warning);
    if (!import->imported()) {
        printError(QStringLiteral("%1: %2").arg(files.at(0), import->message()));
        return 2;
    }
    try {
        import->writeToPath(files.at(1));
    } catch (const WriteError& error) {
        printError(QString::fromStdString(error.what()));
        return 2;
    }
    return 0;
}

} // namespace kvizor::kvf
