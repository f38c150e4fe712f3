// GIFT text through the reader, the converter and the writer, then the loader.
#include "FuzzApp.h"
#include "FuzzImport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Texts become documents, which need fonts.
    startFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Markup at the start would make it XML; GIFT is what this target reads.
    if (kvizor::DetectQuizFormat(bytes) == kvizor::TQuizFormat::Gift)
        importAndLoad(bytes, QStringLiteral("fuzz.gift"));
    return 0;
}
