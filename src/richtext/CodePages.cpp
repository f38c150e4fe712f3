#include "CodePages.h"

#include "common/Cp1251.h"

#include <QStringDecoder>

#include <array>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <utility>

namespace kvizor::rtf {
namespace {

struct CharsetCodePage
{
    int charset;
    int codePage;
};

constexpr std::array<CharsetCodePage, 19> kCharsets = {{
    {0, 1252},   {2, kSymbolCodePage}, {77, 10000}, {128, 932},  {129, 949},  {130, 1361}, {134, 936},
    {136, 950},  {161, 1253},          {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257},
    {204, 1251}, {222, 874},           {238, 1250}, {254, 437},  {255, 850},
}};

struct SymbolChar
{
    unsigned char byte;
    char16_t ch;
};

// The Symbol font's letters are Greek and its upper half mathematical signs.
constexpr char16_t kSymbolUpper[26] = {0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399,
                                       0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F, 0x03A0, 0x0398, 0x03A1,
                                       0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396};
constexpr char16_t kSymbolLower[26] = {0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9,
                                       0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF, 0x03C0, 0x03B8, 0x03C1,
                                       0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6};
constexpr std::array<SymbolChar, 96> kSymbolOther = {{
    {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212}, {0x40, 0x2245},
    {0x5C, 0x2234}, {0x5E, 0x22A5}, {0x60, 0x203E}, {0x7E, 0x223C}, {0xA0, 0x20AC}, {0xA1, 0x03D2},
    {0xA2, 0x2032}, {0xA3, 0x2264}, {0xA4, 0x2044}, {0xA5, 0x221E}, {0xA6, 0x0192}, {0xA7, 0x2663},
    {0xA8, 0x2666}, {0xA9, 0x2665}, {0xAA, 0x2660}, {0xAB, 0x2194}, {0xAC, 0x2190}, {0xAD, 0x2191},
    {0xAE, 0x2192}, {0xAF, 0x2193}, {0xB0, 0x00B0}, {0xB1, 0x00B1}, {0xB2, 0x2033}, {0xB3, 0x2265},
    {0xB4, 0x00D7}, {0xB5, 0x221D}, {0xB6, 0x2202}, {0xB7, 0x2022}, {0xB8, 0x00F7}, {0xB9, 0x2260},
    {0xBA, 0x2261}, {0xBB, 0x2248}, {0xBC, 0x2026}, {0xBD, 0x23D0}, {0xBE, 0x23AF}, {0xBF, 0x21B5},
    {0xC0, 0x2135}, {0xC1, 0x2111}, {0xC2, 0x211C}, {0xC3, 0x2118}, {0xC4, 0x2297}, {0xC5, 0x2295},
    {0xC6, 0x2205}, {0xC7, 0x2229}, {0xC8, 0x222A}, {0xC9, 0x2283}, {0xCA, 0x2287}, {0xCB, 0x2284},
    {0xCC, 0x2282}, {0xCD, 0x2286}, {0xCE, 0x2208}, {0xCF, 0x2209}, {0xD0, 0x2220}, {0xD1, 0x2207},
    {0xD2, 0x00AE}, {0xD3, 0x00A9}, {0xD4, 0x2122}, {0xD5, 0x220F}, {0xD6, 0x221A}, {0xD7, 0x22C5},
    {0xD8, 0x00AC}, {0xD9, 0x2227}, {0xDA, 0x2228}, {0xDB, 0x21D4}, {0xDC, 0x21D0}, {0xDD, 0x21D1},
    {0xDE, 0x21D2}, {0xDF, 0x21D3}, {0xE0, 0x25CA}, {0xE1, 0x2329}, {0xE2, 0x00AE}, {0xE3, 0x00A9},
    {0xE4, 0x2122}, {0xE5, 0x2211}, {0xE6, 0x239B}, {0xE7, 0x239C}, {0xE8, 0x239D}, {0xE9, 0x23A1},
    {0xEA, 0x23A2}, {0xEB, 0x23A3}, {0xEC, 0x23A7}, {0xED, 0x23A8}, {0xEE, 0x23A9}, {0xEF, 0x23AA},
    {0xF1, 0x232A}, {0xF2, 0x222B}, {0xF3, 0x2320}, {0xF4, 0x23AE}, {0xF5, 0x2321}, {0xF6, 0x239E},
}};

// Wingdings is used almost only for list bullets; unmapped signs show as a bullet.
constexpr std::array<SymbolChar, 14> kWingdings = {{
    {0x6C, 0x25CF},
    {0x6E, 0x25A0},
    {0x6F, 0x25A1},
    {0x71, 0x2751},
    {0x75, 0x25C6},
    {0x76, 0x2756},
    {0x9F, 0x2022},
    {0xA1, 0x25CB},
    {0xA7, 0x25AA},
    {0xA8, 0x25FB},
    {0xD8, 0x27A2},
    {0xFB, 0x2717},
    {0xFC, 0x2713},
    {0xFE, 0x2611},
}};

} // namespace

int codePageOfCharset(int charset)
{
    for (const CharsetCodePage& c : kCharsets) {
        if (c.charset == charset)
            return c.codePage;
    }
    return 0;
}

char16_t CodePageDecoder::symbolChar(unsigned char byte, int codePage)
{
    if (codePage == kWingdingsCodePage) {
        if (byte < 0x21)
            return byte;
        for (const SymbolChar& s : kWingdings) {
            if (s.byte == byte)
                return s.ch;
        }
        return 0x2022;
    }
    if (byte >= 'A' && byte <= 'Z')
        return kSymbolUpper[byte - 'A'];
    if (byte >= 'a' && byte <= 'z')
        return kSymbolLower[byte - 'a'];
    for (const SymbolChar& s : kSymbolOther) {
        if (s.byte == byte)
            return s.ch;
    }
    return byte;
}

struct CodePageDecoder::Converter
{
    std::unique_ptr<QStringDecoder> qt;
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    bool latin1 = false;

    ~Converter()
    {
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }

    void decode(QString& out, QByteArrayView bytes)
    {
        if (qt) {
            out += qt->decode(bytes);
            qt->resetState();
            return;
        }
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            decodeIconv(out, bytes);
            return;
        }
        out += QString::fromLatin1(bytes);
    }

    void decodeIconv(QString& out, QByteArrayView bytes)
    {
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const qsizetype start = out.size();
        out.resize(start + bytes.size() * 2 + 4);
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = static_cast<std::size_t>(bytes.size());
        char* dst = reinterpret_cast<char*>(out.data() + start);
        std::size_t outLeft = static_cast<std::size_t>(bytes.size() * 2 + 4) * sizeof(char16_t);
        while (inLeft > 0) {
            if (::iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1))
                break;
            if (errno != EILSEQ && errno != EINVAL)
                break;
            // A byte the page does not define becomes the replacement character.
            if (outLeft < sizeof(char16_t))
                break;
            const char16_t replacement = 0xFFFD;
            std::memcpy(dst, &replacement, sizeof replacement);
            dst += sizeof replacement;
            outLeft -= sizeof replacement;
            ++in;
            --inLeft;
        }
        out.resize((dst - reinterpret_cast<char*>(out.data())) / qsizetype(sizeof(char16_t)));
    }
};

CodePageDecoder::CodePageDecoder() = default;
CodePageDecoder::~CodePageDecoder() = default;

CodePageDecoder::Converter& CodePageDecoder::converter(int codePage)
{
    auto it = m_converters.find(codePage);
    if (it != m_converters.end())
        return *it->second;
    auto c = std::make_unique<Converter>();
    const QByteArray names[] = {"windows-" + QByteArray::number(codePage),
                                "cp" + QByteArray::number(codePage)};
    for (const QByteArray& name : names) {
        auto qt = std::make_unique<QStringDecoder>(name.constData(), QStringConverter::Flag::Stateless);
        if (qt->isValid()) {
            c->qt = std::move(qt);
            break;
        }
    }
    if (!c->qt)
        c->cd = iconv_open(Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "UTF-16LE" : "UTF-16BE",
                           ("CP" + QByteArray::number(codePage)).constData());
    if (!c->qt && c->cd == reinterpret_cast<iconv_t>(-1) && codePage != 1252)
        return converter(1252);
    return *m_converters.emplace(codePage, std::move(c)).first->second;
}

void CodePageDecoder::append(QString& out, QByteArrayView bytes, int codePage)
{
    if (bytes.isEmpty())
        return;
    if (codePage == 1251) {
        out += cp1251::decode(bytes);
        return;
    }
    if (codePage == kSymbolCodePage || codePage == kWingdingsCodePage) {
        for (const char b : bytes)
            out += QChar(symbolChar(static_cast<unsigned char>(b), codePage));
        return;
    }
    converter(codePage).decode(out, bytes);
}

} // namespace kvizor::rtf
