#pragma once

#include <QByteArrayView>

class QIODevice;

namespace kvizor {

class TTest;

// A test received from the server exists only while it loads (in memory or a temporary file),
// but the journal of every run begun on it keeps its bytes, so that the run can be resumed
// without the server. A copy goes into the test's own temporary folder (removed with the
// test), under a name no embedded file has; the test's ReceivedBytesFile names it. False when
// the copy could not be written: runs then go without a journal.
bool KeepReceivedCopy(TTest& test, QIODevice& from);
bool KeepReceivedCopy(TTest& test, QByteArrayView bytes);

} // namespace kvizor
