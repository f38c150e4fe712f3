#pragma once

#include <QByteArrayView>
#include <QString>

#include <map>
#include <memory>

class QStringDecoder;

namespace kvizor::rtf {

// Code page numbers with a special meaning besides the Windows ones.
constexpr int kSymbolCodePage = 42;
constexpr int kWingdingsCodePage = 43;

// The Windows code page of an RTF \fcharset; 0 when the charset names none.
int codePageOfCharset(int charset);

// Decodes byte runs by Windows code page. Windows-1251 goes through the project codec,
// the symbol fonts through their own small maps, every other page through the system's
// converters (ICU as Qt has it, else iconv); an unknown page decodes as Windows-1252.
class CodePageDecoder
{
public:
    CodePageDecoder();
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    void append(QString& out, QByteArrayView bytes, int codePage);
    // Maps a character of a symbol font given by its private-use code (U+F020..U+F0FF).
    static char16_t symbolChar(unsigned char byte, int codePage);

private:
    struct Converter;
    Converter& converter(int codePage);

    std::map<int, std::unique_ptr<Converter>> m_converters;
};

} // namespace kvizor::rtf
