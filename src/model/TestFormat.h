#pragma once

#include <cstdint>

// Constants of the .kvf test file.
namespace kvizor::format {

// First bytes of the unscrambled file; compared byte for byte.
inline constexpr char kMagic[] = "Kvizor";
inline constexpr int kMagicSize = 6;

// Every task has exactly this many variant slots; a stored count above it is damage.
inline constexpr int kSlotCount = 10;

inline constexpr std::uint8_t kFirstTaskType = 1;
inline constexpr std::uint8_t kLastTaskType = 8;

// Types 1..5 carry variants and their values; type 4 also the second column.
inline constexpr std::uint8_t kLastVariantTaskType = 5;

// Compression level the writer uses for the body.
inline constexpr int kZlibLevel = 9;

// What one test may hold, far above any real test. A file declaring more is refused as
// damaged before anything is allocated for it, so a small hostile file cannot claim
// gigabytes of memory or hours of work.
struct TTestLimits
{
    std::int32_t Tasks = 100'000;
    std::int32_t Marks = 1'000;
    std::int32_t Themes = 100'000;
    std::int32_t EmbeddedFiles = 100'000;
    // Embedded files together, written to disk.
    std::int64_t EmbeddedBytes = std::int64_t(2) * 1024 * 1024 * 1024;
    // One text (a question with its pictures in RTF, a name), and all texts together.
    std::int64_t TextBytes = std::int64_t(64) * 1024 * 1024;
    std::int64_t AllTextBytes = std::int64_t(256) * 1024 * 1024;
};

// Buffer size of every streaming step of loading and writing.
inline constexpr std::int64_t kStreamChunk = 64 * 1024;

// Key constants; the build passes the institution's values.
#ifndef KVIZOR_KEY_SEED
#define KVIZOR_KEY_SEED (-2023915147)
#endif
#ifndef KVIZOR_KEY_MODULUS
#define KVIZOR_KEY_MODULUS 27183
#endif
inline constexpr std::int32_t KeySeed = KVIZOR_KEY_SEED;
inline constexpr std::uint32_t KeyModulus = KVIZOR_KEY_MODULUS;

} // namespace kvizor::format
