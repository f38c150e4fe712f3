#include "ReceivedCopy.h"

#include "Test.h"

#include <QDir>
#include <QFile>

#include <functional>

namespace kvizor {

namespace {

// Writes through write into a new file of the test's folder; an embedded file may have any
// plain name, so the first free one is taken.
bool keep(TTest& test, const std::function<bool(QFile&)>& write)
{
    if (!test.TempFolderCreated())
        return false;
    const QDir folder(test.TempFolder);
    for (int n = 1; n < 100; ++n) {
        QFile file(folder.filePath(QStringLiteral("received-test-%1.kvf").arg(n)));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                       QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            if (file.exists())
                continue;
            return false;
        }
        if (!write(file) || !file.flush()) {
            file.remove();
            return false;
        }
        test.ReceivedBytesFile = file.fileName();
        return true;
    }
    return false;
}

} // namespace

bool KeepReceivedCopy(TTest& test, QIODevice& from)
{
    return keep(test, [&from](QFile& file) {
        char buffer[64 * 1024];
        for (;;) {
            const qint64 got = from.read(buffer, sizeof buffer);
            if (got == 0)
                return true;
            if (got < 0 || file.write(buffer, got) != got)
                return false;
        }
    });
}

bool KeepReceivedCopy(TTest& test, QByteArrayView bytes)
{
    return keep(test,
                [bytes](QFile& file) { return file.write(bytes.data(), bytes.size()) == bytes.size(); });
}

} // namespace kvizor
