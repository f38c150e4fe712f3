#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace kvizor::metafile {

// Runs `work` in a forked child process and returns its answer, or empty with the reason
// when the child crashed, exceeded `seconds` or `maxBytes`, or answered nothing. Libraries
// that are not made for hostile input run there: a crash or hang is a failed answer.
QByteArray CallIsolated(const std::function<QByteArray()>& work, int seconds, qsizetype maxBytes,
                        QString* error);

} // namespace kvizor::metafile
