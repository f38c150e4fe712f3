#pragma once

#include <QStringList>

// Entry points of the kvf subcommands, each in its own file. args holds the arguments after
// the subcommand's name; the result is the process exit code (0 success, 1 usage, 2 failure).
namespace kvizor::kvf {

int runMake(const QStringList& args);
int runInfo(const QStringList& args);
int runResults(const QStringList& args);
int runConfig(const QStringList& args);
int runRtf(const QStringList& args);
int runImport(const QStringList& args);

// Messages of every subcommand go to standard error in UTF-8.
void printError(const QString& text);
void printOut(const QString& text);

} // namespace kvizor::kvf
