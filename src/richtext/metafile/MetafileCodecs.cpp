// The converters behind the metafile module. They see only data that the program has
// checked record by record, and they run in a short-lived child process.
#include "richtext/MetafileCodecs.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <locale.h>

extern "C" {
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/font.h>
#include <libwmf/svg.h>
}

namespace {

// Both converters print their numbers with printf, which follows the locale: under a
// Russian one every coordinate would get a decimal comma and the SVG would be garbage.
// Numbers are printed the C way for the converting thread only.
class CNumbers
{
public:
    CNumbers()
    {
        const locale_t base = duplocale(LC_GLOBAL_LOCALE);
        if (base == locale_t(nullptr))
            return;
        m_c = newlocale(LC_NUMERIC_MASK, "C", base);
        if (m_c == locale_t(nullptr)) {
            freelocale(base);
            return;
        }
        m_previous = uselocale(m_c);
    }
    ~CNumbers()
    {
        if (m_c == locale_t(nullptr))
            return;
        uselocale(m_previous);
        freelocale(m_c);
    }
    CNumbers(const CNumbers&) = delete;
    CNumbers& operator=(const CNumbers&) = delete;

private:
    locale_t m_c = locale_t(nullptr);
    locale_t m_previous = locale_t(nullptr);
};

// The names libwmf knows a face by: one per kind of face, each with a family of four
// PostScript names that the fonts given map to files.
constexpr char SansFace[] = "Helvetica";
constexpr char SerifFace[] = "Times";
constexpr char MonoFace[] = "Courier";
constexpr char OtherFace[] = "Symbol";

bool mentions(const std::string& face, std::initializer_list<const char*> words)
{
    return std::any_of(words.begin(), words.end(),
                       [&face](const char* word) { return face.find(word) != std::string::npos; });
}

// Arial, Times New Roman and Courier New (with their Cyrillic variants and twins) keep
// their metrics; any other face is drawn with the face for everything else.
const char* faceKind(const char* name)
{
    std::string face = name == nullptr ? std::string() : std::string(name);
    std::transform(face.begin(), face.end(), face.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (mentions(face, {"courier", "mono", "consol", "fixedsys", "terminal"}))
        return MonoFace;
    if (mentions(face, {"arial", "helvetica", "arimo", "liberation sans", "nimbus sans"}))
        return SansFace;
    if (mentions(face, {"times", "tinos", "liberation serif", "nimbus roman"}))
        return SerifFace;
    return OtherFace;
}

// The PostScript name of a kind of face when no file could be opened for it.
const char* uprightName(const char* kind)
{
    if (kind == SerifFace)
        return "Times-Roman";
    return kind;
}

// The fonts of one conversion: libwmf finds a PostScript name's file by its base name in
// its font folders, so the folders of the given files come before its own.
struct FontTables
{
    std::vector<std::string> folders;
    std::vector<std::string> names;
    std::vector<char*> folderList;
    std::vector<wmfMapping> mappings;
};

constexpr char MissingFont[] = "kvizor-no-font-file";

void buildTables(const KvizorWmfFonts& fonts, FontTables& tables)
{
    tables.names.reserve(fonts.count);
    for (std::size_t i = 0; i < fonts.count; ++i) {
        const std::string path = fonts.fonts[i].path == nullptr ? std::string() : fonts.fonts[i].path;
        const std::size_t slash = path.rfind('/');
        if (path.empty() || slash == std::string::npos) {
            tables.names.emplace_back(MissingFont);
            continue;
        }
        const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
        if (std::find(tables.folders.begin(), tables.folders.end(), folder) == tables.folders.end())
            tables.folders.push_back(folder);
        tables.names.push_back(path.substr(slash + 1));
    }
    for (std::string& folder : tables.folders)
        tables.folderList.push_back(folder.data());
    tables.folderList.push_back(nullptr);
    for (std::size_t i = 0; i < fonts.count; ++i)
        tables.mappings.push_back(wmfMapping{const_cast<char*>(fonts.fonts[i].psName), tables.names[i].data(),
                                             FT_ENCODING_UNICODE});
    tables.mappings.push_back(wmfMapping{nullptr, nullptr, FT_ENCODING_NONE});
}

// Chooses the face by kind, and when no file of it opens, lets the text go unmeasured
// instead of failing the whole picture: its shapes still draw.
void mapFont(wmfAPI* api, wmfFont* font)
{
    if (api->err != wmf_E_None)
        return;
    char* face = font->lfFaceName;
    const char* kind = faceKind(face);
    font->lfFaceName = const_cast<char*>(kind);
    wmf_ipa_font_map(api, font);
    font->lfFaceName = face;
    if (api->err != wmf_E_BadFile && api->err != wmf_E_DeviceError)
        return;
    auto* ipa = static_cast<wmfIPAFont*>(font->user_data);
    if (ipa == nullptr)
        return;
    api->err = wmf_E_None;
    ipa->ps_name = const_cast<char*>(uprightName(kind));
    ipa->ft_face = nullptr;
}

// libwmf looks characters up as signed bytes, so every letter above 0x7F (all Cyrillic)
// measured as nothing; here each byte is taken as the character it stands for.
float textWidth(wmfAPI* api, wmfFont* font, char* text)
{
    const auto* highBytes = static_cast<const unsigned short*>(api->user_data);
    const FT_Face face = WMF_FONT_FTFACE(font);
    if (face == nullptr || text == nullptr || face->units_per_EM == 0)
        return 0;
    const bool unicode = face->charmap != nullptr && face->charmap->encoding == FT_ENCODING_UNICODE;
    const bool kerning = FT_HAS_KERNING(face);
    FT_UInt previous = 0;
    FT_Pos width = 0;
    for (const auto* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        FT_ULong code = *p;
        if (unicode && code >= 0x80 && highBytes != nullptr)
            code = highBytes[code - 0x80];
        const FT_UInt glyph = FT_Get_Char_Index(face, code);
        FT_Vector kern{};
        if (kerning && previous != 0 && glyph != 0 &&
            FT_Get_Kerning(face, previous, glyph, FT_KERNING_UNSCALED, &kern) == 0)
            width += kern.x;
        if (glyph != 0 && FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE) == 0)
            width += face->glyph->advance.x;
        previous = glyph;
    }
    // Points of a one-point font.
    return float(width) / float(face->units_per_EM);
}

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

// Text whose font file is missing goes unmeasured: a metafile of such text alone comes out
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
                                                        const KvizorWmfFonts* fonts, std::size_t* svgSize)
{
    const CNumbers numbers;
    static const KvizorWmfFonts noFonts{nullptr, 0, nullptr};
    FontTables tables;
    buildTables(fonts == nullptr ? noFonts : *fonts, tables);

    wmfAPI* api = nullptr;
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    options.fontdirs = tables.folderList.data();
    options.font.ps = tables.mappings.data();
    // No font list of Ghostscript's: the given files are the only fonts.
    options.gs_fontmap_file = const_cast<char*>("/dev/null");
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR |
                                WMF_OPT_NO_DEBUG | WMF_OPT_FONTDIRS | WMF_OPT_FONTMAP | WMF_OPT_GS_FONTMAP;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api)
            wmf_api_destroy(api);
        return nullptr;
    }
    // A hook libwmf leaves to its callers.
    api->user_data = const_cast<unsigned short*>(fonts == nullptr ? nullptr : fonts->highBytes);
    wmf_ipa_font_map_set(api, mapFont);
    static_cast<wmfFontData*>(api->font_data)->stringwidth = textWidth;
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
    const CNumbers numbers;
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
