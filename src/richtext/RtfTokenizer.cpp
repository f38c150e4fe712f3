#include "RtfTokenizer.h"

#include <climits>

namespace kvizor::rtf {
namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Control characters other than the tab carry no text in RTF (CR and LF are line wrapping).
bool isSkippedControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20 && c != '\t';
}

bool endsText(char c)
{
    return c == '{' || c == '}' || c == '\\' || isSkippedControl(c);
}

Token make(Token::Type type)
{
    Token t;
    t.type = type;
    return t;
}

} // namespace

Token Tokenizer::next()
{
    while (m_p < m_end) {
        const char c = *m_p;
        switch (c) {
        case '{':
            ++m_p;
            return make(Token::GroupStart);
        case '}':
            ++m_p;
            return make(Token::GroupEnd);
        case '\\':
            return controlToken();
        default:
            break;
        }
        if (isSkippedControl(c)) {
            ++m_p;
            continue;
        }
        const char* start = m_p;
        while (m_p < m_end && !endsText(*m_p))
            ++m_p;
        Token t = make(Token::Text);
        t.text = std::string_view(start, static_cast<std::size_t>(m_p - start));
        return t;
    }
    return make(Token::End);
}

Token Tokenizer::controlToken()
{
    ++m_p; // backslash
    if (m_p >= m_end)
        return make(Token::End);
    const char c = *m_p;
    if (isLetter(c)) {
        const char* start = m_p;
        while (m_p < m_end && isLetter(*m_p))
            ++m_p;
        Token t = make(Token::Word);
        t.text = std::string_view(start, static_cast<std::size_t>(m_p - start));
        t.valid = t.text.size() <= kMaxWordLength;
        const bool negative = m_p + 1 < m_end && *m_p == '-' && isDigit(m_p[1]);
        if (negative)
            ++m_p;
        if (m_p < m_end && isDigit(*m_p)) {
            long long value = 0;
            while (m_p < m_end && isDigit(*m_p)) {
                if (value <= INT_MAX)
                    value = value * 10 + (*m_p - '0');
                ++m_p;
            }
            if (value > INT_MAX)
                value = INT_MAX;
            t.hasParam = true;
            t.param = static_cast<int>(negative ? -value : value);
        }
        if (m_p < m_end && *m_p == ' ')
            ++m_p;
        return t;
    }
    ++m_p;
    switch (c) {
    case '\'': {
        Token t = make(Token::Hex);
        const int hi = m_p < m_end ? hexValue(*m_p) : -1;
        const int lo = hi >= 0 && m_p + 1 < m_end ? hexValue(m_p[1]) : -1;
        if (hi >= 0 && lo >= 0) {
            t.byte = static_cast<unsigned char>(hi * 16 + lo);
            m_p += 2;
        } else {
            // A lone digit is dropped with its escape; the next byte is read as usual.
            t.valid = false;
            m_p += hi >= 0 ? 1 : 0;
        }
        return t;
    }
    case '\\':
    case '{':
    case '}': {
        Token t = make(Token::Text);
        t.text = std::string_view(m_p - 1, 1);
        return t;
    }
    case '\r':
    case '\n': {
        Token t = make(Token::Word);
        t.text = "par";
        return t;
    }
    default: {
        Token t = make(Token::Symbol);
        t.symbol = c;
        return t;
    }
    }
}

std::string_view Tokenizer::takeBinary(long long count)
{
    if (count <= 0)
        return {};
    const long long available = m_end - m_p;
    const long long n = count < available ? count : available;
    std::string_view bytes(m_p, static_cast<std::size_t>(n));
    m_p += n;
    return bytes;
}

} // namespace kvizor::rtf
