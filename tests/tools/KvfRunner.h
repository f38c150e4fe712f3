#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs the built kvf tool (KVF_PATH) and collects what it printed.
namespace kvfrunner {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

inline Run kvf(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(KVF_PATH), args);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return run;
}

} // namespace kvfrunner
