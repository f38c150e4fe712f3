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

// Embedded files of one test may add up to at most this many bytes.
inline constexpr std::int64_t kMaxEmbeddedTotal = std::int64_t(2) * 1024 * 1024 * 1024;

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
