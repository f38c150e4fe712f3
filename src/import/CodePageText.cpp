#include "CodePageText.h"

#include "common/Cp1251.h"

#include <algorithm>
#include <array>

namespace kvizor::quiz {
namespace {

struct CloseForm
{
    char32_t from;
    const char16_t* to;
};

// Sorted by code point. Characters the code page has (quotes, dashes, the ellipsis, «»,
// №, °, ±) never get here.
constexpr std::array<CloseForm, 72> kCloseForms{{
    {0x00B2, u"^2"},     {0x00B3, u"^3"},  {0x00B4, u"'"},      {0x00B9, u"^1"},  {0x00BC, u"1/4"},
    {0x00BD, u"1/2"},    {0x00BE, u"3/4"}, {0x00D7, u"x"},      {0x00F7, u":"},   {0x02B9, u"'"},
    {0x02BA, u"\""},     {0x02BC, u"'"},   {0x02C6, u"^"},      {0x02DC, u"~"},   {0x03BC, u"\u00B5"},
    {0x2000, u" "},      {0x2001, u" "},   {0x2002, u" "},      {0x2003, u" "},   {0x2004, u" "},
    {0x2005, u" "},      {0x2006, u" "},   {0x2007, u" "},      {0x2008, u" "},   {0x2009, u" "},
    {0x200A, u" "},      {0x200B, u""},    {0x200C, u""},       {0x200D, u""},    {0x2010, u"-"},
    {0x2011, u"-"},      {0x2012, u"-"},   {0x2015, u"\u2014"}, {0x201B, u"'"},   {0x201F, u"\""},
    {0x2028, u" "},      {0x2029, u" "},   {0x202F, u" "},      {0x2032, u"'"},   {0x2033, u"\""},
    {0x2035, u"'"},      {0x2036, u"\""},  {0x2043, u"-"},      {0x2044, u"/"},   {0x205F, u" "},
    {0x2060, u""},       {0x2070, u"^0"},  {0x2074, u"^4"},     {0x2075, u"^5"},  {0x2076, u"^6"},
    {0x2077, u"^7"},     {0x2078, u"^8"},  {0x2079, u"^9"},     {0x2153, u"1/3"}, {0x2154, u"2/3"},
    {0x2190, u"<-"},     {0x2192, u"->"},  {0x2194, u"<->"},    {0x21D0, u"<="},  {0x21D2, u"=>"},
    {0x21D4, u"<=>"},    {0x2212, u"-"},   {0x2215, u"/"},      {0x2217, u"*"},   {0x2219, u"\u00B7"},
    {0x221A, u"sqrt"},   {0x2248, u"~"},   {0x2260, u"<>"},     {0x2264, u"<="},  {0x2265, u">="},
    {0x22C5, u"\u00B7"}, {0xFEFF, u""},
}};

static_assert(std::is_sorted(kCloseForms.begin(), kCloseForms.end(),
                             [](const CloseForm& a, const CloseForm& b) { return a.from < b.from; }));

bool inCodePage(char32_t c)
{
    return c <= 0xFFFF && cp1251::toByte(QChar(char16_t(c))) >= 0 &&
           // The one undefined byte stands for U+0098 only to round-trip bytes; it is no text.
           c != 0x98;
}

// Subscript digits, full-width forms, ligatures and accented Latin letters: the compatibility
// decomposition without its combining marks, when all of that is in the code page.
QString decomposed(char32_t c)
{
    QString out;
    if (c >= 0x2080 && c <= 0x2089)
        return QString(QChar(u'0' + (c - 0x2080)));
    const QString parts = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD);
    for (const QChar part : parts) {
        if (part.category() == QChar::Mark_NonSpacing)
            continue;
        if (!inCodePage(part.unicode()))
            return {};
        out += part;
    }
    return out;
}

} // namespace

bool FitsCodePage(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return inCodePage(c.unicode()); });
}

QString ToCodePageText(const QString& text, QStringList* lost)
{
    if (FitsCodePage(text))
        return text;
    QString out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        if (inCodePage(c)) {
            out += QChar(char16_t(c));
            continue;
        }
        const auto* form = std::lower_bound(kCloseForms.begin(), kCloseForms.end(), c,
                                            [](const CloseForm& f, char32_t v) { return f.from < v; });
        if (form != kCloseForms.end() && form->from == c) {
            out += QString::fromUtf16(form->to);
            continue;
        }
        // Control characters outside the code page carry nothing a reader sees.
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            if (c == u'\t' || c == u'\n' || c == u'\r')
                out += QChar(char16_t(c));
            continue;
        }
        const QString close = decomposed(c);
        if (!close.isEmpty()) {
            out += close;
            continue;
        }
        out += u'?';
        const QString original = QString::fromUcs4(&c, 1);
        if (lost != nullptr && !lost->contains(original))
            lost->append(original);
    }
    return out;
}

} // namespace kvizor::quiz
