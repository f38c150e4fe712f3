// The converters behind the metafile module. They see only data that the program has
// checked record by record, and they run in a short-lived child process.
#include "richtext/MetafileCodecs.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" {
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>
}

namespace {

char* copyOut(const char* data, std::size_t size, std::size_t* svgSize)
{
    if (data == nullptr || size == 0)
        return nullptr;
    auto* out = static_cast<char*>(std::malloc(size));
    if (out == nullptr)
        return nullptr;
    std::memcpy(out, data, size);
    *svgSize = size;
    return out;
}

// libwmf cannot measure text without its own fonts: a metafile of text alone comes out
// without width or height. Such a picture is given a square.
void squareTextOnly(wmf_svg_t& device, wmfD_Rect& bbox, unsigned int& width, unsigned int& height)
{
    if ((width == 0) == (height == 0))
        return;
    const float w = bbox.BR.x - bbox.TL.x;
    const float h = bbox.BR.y - bbox.TL.y;
    if (w < 1)
        bbox.BR.x = bbox.TL.x + h;
    if (h < 1)
        bbox.BR.y = bbox.TL.y + w;
    device.bbox = bbox;
    width = height = std::max(width, height);
}

// Plays the scanned metafile into the SVG device; the SVG, or null.
char* playToSvg(wmfAPI* api, wmfD_Rect bbox, std::size_t* svgSize)
{
    wmf_svg_t* device = WMF_SVG_GetData(api);
    device->out = wmf_stream_create(api, nullptr);
    if (device->out == nullptr)
        return nullptr;
    device->Description = nullptr;
    device->bbox = bbox;
    device->flags |= WMF_SVG_INLINE_IMAGES;
    unsigned int width = 0;
    unsigned int height = 0;
    const bool sized = wmf_display_size(api, &width, &height, 96, 96) == wmf_E_None;
    if (sized)
        squareTextOnly(*device, bbox, width, height);
    const bool playable = sized && width > 0 && height > 0 && width <= 100000 && height <= 100000;
    wmf_error_t played = wmf_E_Glitch;
    if (playable) {
        device->width = width;
        device->height = height;
        played = wmf_play(api, 0, &bbox);
    }
    char* buffer = nullptr;
    unsigned long length = 0;
    wmf_stream_destroy(api, device->out, &buffer, &length);
    device->out = nullptr;
    return played == wmf_E_None ? copyOut(buffer, length, svgSize) : nullptr;
}

} // namespace

extern "C" KVIZOR_MODULE_EXPORT char* kvizor_wmf_to_svg(const unsigned char* data, std::size_t size,
                                                        std::size_t* svgSize)
{
    wmfAPI* api = nullptr;
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api)
            wmf_api_destroy(api);
        return nullptr;
    }
    // libwmf reads from a buffer it may write to.
    std::vector<unsigned char> copy(data, data + size);
    char* svg = nullptr;
    wmfD_Rect bbox{};
    if (wmf_mem_open(api, copy.data(), long(copy.size())) == wmf_E_None &&
        wmf_scan(api, 0, &bbox) == wmf_E_None)
        svg = playToSvg(api, bbox, svgSize);
    wmf_api_destroy(api);
    return svg;
}

extern "C" KVIZOR_MODULE_EXPORT char* kvizor_emf_to_svg(const unsigned char* data, std::size_t size,
                                                        std::size_t* svgSize)
{
    std::vector<char> copy(data, data + size);
    generatorOptions options{};
    options.nameSpace = nullptr;
    options.verbose = false;
    // EMF+ data rides in comments, which are not passed on; files that carry it also
    // carry the plain records drawn instead.
    options.emfplus = false;
    options.svgDelimiter = true;
    char* out = nullptr;
    std::size_t length = 0;
    const int ok = emf2svg(copy.data(), copy.size(), &out, &length, &options);
    if (ok && out != nullptr && length > 0) {
        *svgSize = length;
        return out;
    }
    std::free(out);
    return nullptr;
}
