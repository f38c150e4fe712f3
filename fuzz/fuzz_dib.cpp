#include "FuzzApp.h"
#include "richtext/Picture.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startFuzzApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kvizor::DecodePicture(QByteArrayView(data, qsizetype(size)), kvizor::PictureFormat::Dib);
    return 0;
}
