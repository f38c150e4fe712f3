// Loads arbitrary bytes as a test file. The first byte picks the form of the rest: odd, a
// stored test file as is; even, a decompressed body that is packed (compressed and
// scrambled) first, so mutations reach the record parser behind the zlib layer.
#include "model/TestFileWriter.h"
#include "model/TestLoader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kvizor;
    if (size == 0)
        return 0;
    const QByteArray rest =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    TLoadOptions options;
    // Bounds what a tiny input may inflate to on disk and in memory.
    options.Limits.EmbeddedBytes = 64 * 1024 * 1024;
    options.Limits.AllTextBytes = 16 * 1024 * 1024;
    const TPasswordPrompt prompt = [] { return std::optional<QString>(QStringLiteral("fuzz")); };
    if (data[0] & 1) {
        LoadTestData(QStringLiteral("fuzz.kvf"), rest, prompt, 0, options);
    } else {
        TWriterOptions pack;
        pack.Level = 1;
        LoadTestData(QStringLiteral("fuzz.kvf"), PackTestBody(rest, pack), prompt, 0, options);
    }
    return 0;
}
