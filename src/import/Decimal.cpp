#include "Decimal.h"

#include <algorithm>
#include <cmath>

namespace kvizor::quiz {
namespace {

// Far beyond what a double holds, and short enough that no text drives a large allocation.
constexpr int kMaxDigits = 400;
constexpr int kMaxExponent = 400;

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

std::optional<Decimal> Decimal::parse(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    Decimal d;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        d.m_negative = text[i] == u'-';
        ++i;
    }
    int before = 0;
    int after = 0;
    QString digits;
    for (; i < text.size() && isDigit(text[i]); ++i, ++before)
        digits += text[i];
    if (i < text.size() && (text[i] == u'.' || text[i] == u',')) {
        ++i;
        for (; i < text.size() && isDigit(text[i]); ++i, ++after)
            digits += text[i];
    }
    if (before + after == 0 || before + after > kMaxDigits)
        return std::nullopt;
    int exponent = 0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
            negative = text[i] == u'-';
            ++i;
        }
        const qsizetype start = i;
        for (; i < text.size() && isDigit(text[i]); ++i) {
            exponent = exponent * 10 + (text[i].unicode() - u'0');
            if (exponent > kMaxExponent)
                return std::nullopt;
        }
        if (i == start)
            return std::nullopt;
        if (negative)
            exponent = -exponent;
    }
    if (i != text.size())
        return std::nullopt;
    d.m_digits = digits;
    d.m_scale = after - exponent;
    d.normalise();
    if (!std::isfinite(d.toDouble()))
        return std::nullopt;
    return d;
}

void Decimal::normalise()
{
    qsizetype lead = 0;
    while (lead < m_digits.size() && m_digits[lead] == u'0')
        ++lead;
    m_digits.remove(0, lead);
    // Trailing zeros after the point say nothing.
    while (m_scale > 0 && m_digits.endsWith(u'0')) {
        m_digits.chop(1);
        --m_scale;
    }
    // A whole number keeps its magnitude in digits, so every scale is 0 or more.
    if (m_scale < 0 && !m_digits.isEmpty()) {
        m_digits += QString(-m_scale, u'0');
        m_scale = 0;
    }
    if (m_digits.isEmpty()) {
        m_negative = false;
        m_scale = 0;
    }
}

QString Decimal::digitsAtScale(int scale) const
{
    return m_digits + QString(scale - m_scale, u'0');
}

int Decimal::compareMagnitude(const Decimal& a, const Decimal& b)
{
    const int scale = std::max(a.m_scale, b.m_scale);
    const QString x = a.digitsAtScale(scale);
    const QString y = b.digitsAtScale(scale);
    if (x.size() != y.size())
        return x.size() < y.size() ? -1 : 1;
    const int c = x.compare(y);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

Decimal Decimal::addMagnitudes(const Decimal& a, const Decimal& b)
{
    const int scale = std::max(a.m_scale, b.m_scale);
    const QString x = a.digitsAtScale(scale);
    const QString y = b.digitsAtScale(scale);
    QString sum;
    int carry = 0;
    for (qsizetype i = x.size() - 1, k = y.size() - 1; i >= 0 || k >= 0 || carry; --i, --k) {
        int digit = carry;
        if (i >= 0)
            digit += x[i].unicode() - u'0';
        if (k >= 0)
            digit += y[k].unicode() - u'0';
        carry = digit / 10;
        sum.prepend(QChar(u'0' + digit % 10));
    }
    Decimal d;
    d.m_digits = sum;
    d.m_scale = scale;
    d.normalise();
    return d;
}

Decimal Decimal::subtractMagnitudes(const Decimal& a, const Decimal& b)
{
    const int scale = std::max(a.m_scale, b.m_scale);
    const QString x = a.digitsAtScale(scale);
    const QString y = b.digitsAtScale(scale);
    QString difference;
    int borrow = 0;
    for (qsizetype i = x.size() - 1, k = y.size() - 1; i >= 0; --i, --k) {
        int digit = (x[i].unicode() - u'0') - borrow - (k >= 0 ? y[k].unicode() - u'0' : 0);
        borrow = digit < 0 ? 1 : 0;
        difference.prepend(QChar(u'0' + digit + 10 * borrow));
    }
    Decimal d;
    d.m_digits = difference;
    d.m_scale = scale;
    d.normalise();
    return d;
}

Decimal Decimal::operator+(const Decimal& other) const
{
    if (m_negative == other.m_negative) {
        Decimal d = addMagnitudes(*this, other);
        d.m_negative = m_negative && !d.isZero();
        return d;
    }
    const bool thisLarger = compareMagnitude(*this, other) >= 0;
    Decimal d = thisLarger ? subtractMagnitudes(*this, other) : subtractMagnitudes(other, *this);
    d.m_negative = (thisLarger ? m_negative : other.m_negative) && !d.isZero();
    return d;
}

Decimal Decimal::operator-(const Decimal& other) const
{
    return *this + other.negated();
}

Decimal Decimal::negated() const
{
    Decimal d = *this;
    d.m_negative = !m_negative && !isZero();
    return d;
}

Decimal Decimal::abs() const
{
    Decimal d = *this;
    d.m_negative = false;
    return d;
}

Decimal Decimal::half() const
{
    // x / 2 = 5x / 10: multiply the digits by 5, one place more after the point.
    QString product;
    int carry = 0;
    for (qsizetype i = m_digits.size() - 1; i >= 0 || carry; --i) {
        int digit = carry + (i >= 0 ? (m_digits[i].unicode() - u'0') * 5 : 0);
        carry = digit / 10;
        product.prepend(QChar(u'0' + digit % 10));
    }
    Decimal d;
    d.m_negative = m_negative;
    d.m_digits = product;
    d.m_scale = m_scale + 1;
    d.normalise();
    return d;
}

int Decimal::compare(const Decimal& other) const
{
    if (m_negative != other.m_negative)
        return m_negative ? -1 : 1;
    const int magnitude = compareMagnitude(*this, other);
    return m_negative ? -magnitude : magnitude;
}

QString Decimal::toString() const
{
    if (isZero())
        return QStringLiteral("0");
    QString digits = m_digits;
    if (m_scale > 0) {
        if (digits.size() <= m_scale)
            digits.prepend(QString(m_scale - digits.size() + 1, u'0'));
        digits.insert(digits.size() - m_scale, u'.');
    }
    return m_negative ? u'-' + digits : digits;
}

double Decimal::toDouble() const
{
    // QString's conversion is correctly rounded and ignores the process locale.
    return toString().toDouble();
}

std::int64_t Decimal::roundClamped(std::int64_t low, std::int64_t high) const
{
    const Decimal rounded = (m_negative ? *this - *parse(u"0.5") : *this + *parse(u"0.5"));
    // Truncation toward zero of the shifted value rounds half away from zero.
    QString whole = rounded.m_digits;
    whole.chop(std::min<qsizetype>(rounded.m_scale, whole.size()));
    if (whole.size() > 18)
        return rounded.m_negative ? low : high;
    const std::int64_t value = whole.isEmpty() ? 0 : whole.toLongLong();
    return std::clamp(rounded.m_negative ? -value : value, low, high);
}

} // namespace kvizor::quiz
