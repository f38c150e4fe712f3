// Feeds arbitrary bytes to the protected result file reader: it must either read records
// or throw FormatError, and every record it reads must store and read back unchanged.

#include "results/ProtectedResultFile.h"
#include "results/ResultTest.h"

#include "common/BinaryReader.h"
#include "common/BinaryWriter.h"
#include "common/FormatError.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer file(&bytes);
    file.open(QIODevice::ReadOnly);
    try {
        kvizor::ReadProtectedResults(file, [](const kvizor::TResultTest& record) {
            QBuffer stored;
            stored.open(QIODevice::WriteOnly);
            kvizor::BinaryWriter writer(stored);
            record.SaveToStream(writer);
            stored.close();
            stored.open(QIODevice::ReadOnly);
            kvizor::BinaryReader reader(stored);
            kvizor::TResultTest back;
            back.LoadFromStream(reader);
            if (!back.SameStoredFields(record) || !stored.atEnd())
                std::abort();
            (void)record.GetResultMask();
            (void)record.GetAnswerMask();
        });
    } catch (const kvizor::FormatError&) {
    }
    return 0;
}
