// Adler-32 as defined for zlib (RFC 1950), through zlib's adler32().
// Every checksum of the setup data and of the uninstall log starts from 1.
#pragma once

#include <cstdint>
#include <span>

namespace spd {

constexpr std::uint32_t kAdler32Initial = 1;

// Folds bytes into a running Adler-32 value (spans of any length).
std::uint32_t Adler32Update(std::uint32_t adler, std::span<const std::uint8_t> bytes);

// The Adler-32 of two runs one after the other, from the Adler-32 of each
// and the length of the second.
std::uint32_t Adler32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength);

// Adler-32 of bytes, starting from 1.
inline std::uint32_t Adler32(std::span<const std::uint8_t> bytes) {
    return Adler32Update(kAdler32Initial, bytes);
}

}  // namespace spd
