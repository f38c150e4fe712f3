// Feeds arbitrary bytes to the protected result file reader: it must either read records
// or throw FormatError, and every record it reads must store and read back unchanged.
// Inputs starting with 'B' are taken as the decompressed body and packed into a valid file
// first, so the record parser is reached past the zlib checksum; other inputs are the file.

#include "results/ProtectedResultFile.h"
#include "results/ResultTest.h"

#include "common/BinaryReader.h"
#include "common/BinaryWriter.h"
#include "common/FormatError.h"

#include <QBuffer>

#include <zlib.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!bytes.isEmpty() && bytes.at(0) == 'B') {
        const QByteArray body = bytes.mid(1);
        uLongf packedSize = compressBound(static_cast<uLong>(body.size()));
        QByteArray packed(static_cast<qsizetype>(packedSize), '\0');
        if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                      reinterpret_cast<const Bytef*>(body.constData()), static_cast<uLong>(body.size()),
                      1) != Z_OK)
            return 0;
        packed.resize(static_cast<qsizetype>(packedSize));
        bytes = kvizor::kProtectionResultMagic + packed;
    }
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
