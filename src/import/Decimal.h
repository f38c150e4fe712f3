#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace kvizor::quiz {

// A decimal number kept as its digits, so sums and differences of numbers written in decimal
// are exact (9.8 - 0.2 is 9.6, not 9.600000000000001); only the final result becomes a double.
class Decimal
{
public:
    Decimal() = default;

    // "[+-]digits[.digits][e[+-]digits]", a comma allowed for the point, blanks around it;
    // nothing for anything else or for a number no double can hold.
    static std::optional<Decimal> parse(QStringView text);

    Decimal operator+(const Decimal& other) const;
    Decimal operator-(const Decimal& other) const;
    Decimal negated() const;
    Decimal abs() const;
    Decimal half() const;
    bool isNegative() const { return m_negative; }
    bool isZero() const { return m_digits.isEmpty(); }
    bool isPositive() const { return !m_negative && !isZero(); }
    // -1, 0 or 1.
    int compare(const Decimal& other) const;
    bool operator==(const Decimal& other) const { return compare(other) == 0; }

    // Plain decimal text without exponent ("-0.25", "10").
    QString toString() const;
    // The double nearest to the exact value.
    double toDouble() const;
    // Rounded half away from zero, then clamped to [low, high].
    std::int64_t roundClamped(std::int64_t low, std::int64_t high) const;

private:
    // Magnitudes only: value = digits * 10^-scale.
    static int compareMagnitude(const Decimal& a, const Decimal& b);
    static Decimal addMagnitudes(const Decimal& a, const Decimal& b);
    // a - b where |a| >= |b|.
    static Decimal subtractMagnitudes(const Decimal& a, const Decimal& b);
    void normalise();
    QString digitsAtScale(int scale) const;

    bool m_negative = false;
    // Most significant first, no leading zeros; empty for zero.
    QString m_digits;
    int m_scale = 0;
};

} // namespace kvizor::quiz
