#pragma once

#include <cstddef>
#include <string_view>

namespace kvizor::rtf {

struct Token
{
    enum Type
    {
        End,
        GroupStart,
        GroupEnd,
        Word,   // control word: name, optional parameter
        Symbol, // control symbol other than \' and escaped characters: symbol
        Hex,    // \'hh: byte
        Text,   // run of literal bytes (never containing CR, LF or NUL): text
    };
    Type type = End;
    std::string_view text;
    int param = 0;
    bool hasParam = false;
    bool valid = true; // false for a control word longer than the format allows
    char symbol = 0;
    unsigned char byte = 0;
};

// Splits RTF bytes into tokens. Never reads past the end; every byte sequence tokenizes.
class Tokenizer
{
public:
    static constexpr std::size_t kMaxWordLength = 32;

    Tokenizer(const char* data, std::size_t size) : m_p(data), m_end(data + size) {}

    Token next();
    // Raw bytes of a \binN: at most count, fewer when the data ends first.
    std::string_view takeBinary(long long count);
    bool atEnd() const { return m_p >= m_end; }

private:
    Token controlToken();

    const char* m_p;
    const char* m_end;
};

} // namespace kvizor::rtf
