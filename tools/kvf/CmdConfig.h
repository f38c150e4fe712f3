#pragma once

#include <QStringList>

class QTextStream;

// kvf config [--json] FILE: the settings a program would run with, from FILE.
// kvf config --complete FILE: FILE saved back holding every stored key.
// args are those after the subcommand name; returns the exit code.
int runConfig(const QStringList& args);
int runConfig(const QStringList& args, QTextStream& out, QTextStream& err);
