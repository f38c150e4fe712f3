// Moodle XML through the streaming reader, the converter (HTML, pictures) and the writer,
// then the loader.
#include "FuzzApp.h"
#include "FuzzImport.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Whatever the bytes, they are read as XML.
    QByteArray bytes("<", 1);
    bytes.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    importAndLoad(bytes, QStringLiteral("fuzz.xml"));
    return 0;
}
