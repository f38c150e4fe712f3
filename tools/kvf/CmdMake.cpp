#include "Commands.h"
#include "TestJson.h"

#include "common/FormatError.h"

#include <QFile>
#include <QFileInfo>

namespace kvizor::kvf {

// kvf make SOURCE.json OUT.kvf
int runMake(const QStringList& args)
{
    if (args.size() != 2) {
        printError(QStringLiteral("usage: kvf make SOURCE.json OUT.kvf"));
        return 1;
    }
    const QString& source = args.at(0);
    QFile json(source);
    if (!json.open(QIODevice::ReadOnly)) {
        printError(QStringLiteral("%1: %2").arg(source, json.errorString()));
        return 2;
    }
    try {
        const TJsonTest test = ParseTestJson(json.readAll(), QFileInfo(source).absoluteDir());
        WriteTestFileToPath(args.at(1), *test.Test, test.Tasks, test.Files, test.Options);
    } catch (const JsonError& error) {
        printError(QStringLiteral("%1: %2").arg(source, QString::fromStdString(error.what())));
        return 2;
    } catch (const WriteError& error) {
        printError(QString::fromStdString(error.what()));
        return 2;
    }
    return 0;
}

} // namespace kvizor::kvf
