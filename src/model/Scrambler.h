#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <stdexcept>

class QBuffer;

namespace kvizor {

// The key of the test-file scrambler; every call starts again from InitialState.
struct TScrambleKey
{
    std::uint16_t Multiplier = 0;
    std::uint16_t Addend = 0;
    std::uint16_t InitialState = 0;

    bool operator==(const TScrambleKey&) const = default;
};

// The three words from the program's two key constants.
constexpr TScrambleKey DeriveScrambleKey(std::int32_t seed, std::uint32_t modulus)
{
    // Absolute value and quotient in 32-bit arithmetic, as the editor computes them.
    const std::uint32_t a =
        seed < 0 ? 0u - static_cast<std::uint32_t>(seed) : static_cast<std::uint32_t>(seed);
    const auto signedA = static_cast<std::int32_t>(a);
    const auto signedModulus = static_cast<std::int32_t>(modulus);
    std::int32_t quotient = 0;
    if (signedModulus == -1)
        quotient = static_cast<std::int32_t>(0u - a);
    else if (signedModulus != 0)
        quotient = signedA / signedModulus;
    return TScrambleKey{static_cast<std::uint16_t>(quotient & 0xFFFF),
                        static_cast<std::uint16_t>((a ^ modulus) & 0xFFFF),
                        static_cast<std::uint16_t>((a & modulus) & 0xFFFF)};
}

// The one key of the program, fixed at build time from KeySeed and KeyModulus.
extern const TScrambleKey TestFileKey;

// A file that cannot be opened or read while unscrambling it.
class FileReadError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Incremental unscrambling: feeds back each plain (output) byte. Only the low byte of the
// state ever reaches the output or the feedback, so the state is kept modulo 256 with
// whatever the upper bits hold.
class TDescrambler
{
public:
    explicit TDescrambler(const TScrambleKey& key);
    // source and destination may be the same memory.
    void process(const char* source, char* destination, std::int64_t count);

private:
    // b * Multiplier + Addend per stored byte b.
    std::array<std::uint32_t, 256> m_base;
    std::uint32_t m_factor;
    std::uint32_t m_state;
};

// The writer's side: stored byte = plain byte XOR state, feedback of the plain byte.
class TScrambler
{
public:
    explicit TScrambler(const TScrambleKey& key);
    void process(const char* source, char* destination, std::int64_t count);

private:
    // p * Multiplier + Addend per plain byte p.
    std::array<std::uint32_t, 256> m_base;
    std::uint32_t m_multiplier;
    std::uint32_t m_state;
};

// False, with nothing written, when the counts differ.
bool DescrambleBuffer(const char* source, std::int32_t sourceCount, char* destination,
                      const TScrambleKey& key, std::int32_t destinationCount);
// From source's position to its end into the start of destination, whose size becomes that
// count; neither position moves.
bool DescrambleStream(QBuffer& source, QBuffer& destination, const TScrambleKey& key);
// The whole file into destination; throws FileReadError when the file cannot be read.
bool DescrambleFile(const QString& fileName, QBuffer& destination, const TScrambleKey& key);

} // namespace kvizor
