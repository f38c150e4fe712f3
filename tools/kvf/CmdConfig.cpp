#include "CmdConfig.h"

#include "Commands.h"

#include "config/Config.h"
#include "config/IniDocument.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cstdio>

namespace kvizor::kvf {

namespace {

const char Usage[] = "usage: kvf config [--json] FILE\n"
                     "       kvf config --complete FILE\n"
                     "Shows the settings a program would run with when FILE is its settings file\n"
                     "(defaults, then the file), or with --complete saves FILE back so that it\n"
                     "holds every stored key; lines the program does not use stay as they are.\n";

QJsonValue jsonValue(const ConfigField& field, TConfig& config)
{
    const ConfigFieldRef ref = field.ref(config);
    switch (field.kind) {
    case ConfigKind::Text:
        return *std::get<QString*>(ref);
    case ConfigKind::Integer:
        return *std::get<qint32*>(ref);
    case ConfigKind::Flag:
        return *std::get<bool*>(ref);
    case ConfigKind::Colour:
        return qint64(*std::get<TColor*>(ref));
    }
    return QJsonValue();
}

void printJson(TConfig& config, QTextStream& out)
{
    QJsonObject object;
    for (const ConfigField& f : ConfigFields()) {
        if (f.isStored() || f.name() == u"ResultFileName" || f.name() == u"ProtectionResultFileName")
            object.insert(f.name(), jsonValue(f, config));
    }
    out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

// The settings as the file would hold them, then the result file names, which the
// file never holds.
void printIni(const TConfig& config, QTextStream& out)
{
    const char* section = nullptr;
    for (const ConfigField& f : StoredConfigFields()) {
        if (!section || qstrcmp(section, f.section) != 0) {
            if (section)
                out << '\n';
            section = f.section;
            out << '[' << QLatin1String(section) << "]\n";
        }
        out << f.name() << '=' << IniDocument::writeValueText(ConfigValueText(f, config)) << '\n';
    }
    out << "\n; not stored in the file:\n";
    out << "; ResultFileName=" << config.ResultFileName << '\n';
    out << "; ProtectionResultFileName=" << config.ProtectionResultFileName << '\n';
}

int fail(QTextStream& err, const ConfigStatus& status, const QString& file)
{
    err << "kvf config: " << status.message << ' ' << file;
    if (!status.detail.isEmpty())
        err << " (" << status.detail << ')';
    err << '\n';
    return 2;
}

} // namespace

int runConfig(const QStringList& args, QTextStream& out, QTextStream& err)
{
    bool json = false;
    bool complete = false;
    QStringList files;
    for (const QString& arg : args) {
        if (arg == u"--json") {
            json = true;
        } else if (arg == u"--complete") {
            complete = true;
        } else if (arg == u"-h" || arg == u"--help") {
            out << Usage;
            return 0;
        } else if (arg.startsWith(u'-') && arg != u"-") {
            err << "kvf config: unknown option " << arg << '\n' << Usage;
            return 1;
        } else {
            files.append(arg);
        }
    }
    if (files.size() != 1 || (json && complete)) {
        err << Usage;
        return 1;
    }
    const QString file = files.first();
    const bool exists = QFileInfo::exists(file);

    TConfig config;
    const ConfigStatus loaded = LoadConfigFile(config, file);
    if (!loaded.ok)
        return fail(err, loaded, file);

    if (complete) {
        const ConfigStatus saved = SaveConfigFile(config, file);
        if (!saved.ok)
            return fail(err, saved, file);
        return 0;
    }
    if (!exists)
        err << "kvf config: " << file << " does not exist; the program would run with the defaults\n";
    if (json)
        printJson(config, out);
    else
        printIni(config, out);
    return 0;
}

int runConfig(const QStringList& args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runConfig(args, out, err);
}

} // namespace kvizor::kvf
