#include "FuzzApp.h"
#include "FuzzMetafile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzzMetafile(data, size, kvizor::metafile::SanitizeEmf, kvizor::metafile::EmfToSvg);
}
