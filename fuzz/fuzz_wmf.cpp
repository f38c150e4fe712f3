#include "FuzzApp.h"
#include "richtext/Metafile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startFuzzApplication();
    return 0;
}

// The converter runs in-process here so that what breaks it shows up as a finding.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kvizor::metafile;
    const QByteArray sane = SanitizeWmf(QByteArrayView(data, qsizetype(size)));
    if (sane.isEmpty())
        return 0;
    const QByteArray svg = WmfToSvg(sane);
    if (!svg.isEmpty())
        RenderSvg(svg, QSize(64, 64));
    return 0;
}
