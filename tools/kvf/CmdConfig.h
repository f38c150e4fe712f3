#pragma once

#include <QStringList>

class QTextStream;

namespace kvizor::kvf {

// runConfig with its output streams given, so tests can read them.
int runConfig(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace kvizor::kvf
