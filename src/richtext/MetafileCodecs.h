#pragma once

#include <cstddef>

// The interface of the metafile module (the libwmf and libemf2svg converters): plain C, so
// that the module needs neither Qt nor anything else of the program.

#define KVIZOR_MODULE_EXPORT __attribute__((visibility("default")))

extern "C" {
// Converts a checked metafile to SVG. The result is allocated with malloc and the caller
// frees it; null when the converter could not read the data.
using KvizorMetafileToSvg = char*(const unsigned char* data, std::size_t size, std::size_t* svgSize);

// The font file libwmf measures one of its PostScript names with; path empty when there
// is none, and then that name's text is placed unmeasured.
struct KvizorWmfFont
{
    const char* psName;
    const char* path;
};

struct KvizorWmfFonts
{
    const KvizorWmfFont* fonts;
    std::size_t count;
    // The characters of the bytes 0x80..0xFF of metafile text.
    const unsigned short* highBytes;
};

// The WMF converter measures text only with the fonts given, never with fonts of its own.
using KvizorWmfToSvg = char*(const unsigned char* data, std::size_t size, const KvizorWmfFonts* fonts,
                             std::size_t* svgSize);
}

namespace kvizor::metafile {
inline constexpr char WmfToSvgSymbol[] = "kvizor_wmf_to_svg";
inline constexpr char EmfToSvgSymbol[] = "kvizor_emf_to_svg";
} // namespace kvizor::metafile
