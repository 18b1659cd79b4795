#include "codec/Checksum.h"

#include <zlib.h>

#include <algorithm>

namespace spd {

std::uint32_t Adler32Update(std::uint32_t adler, std::span<const std::uint8_t> bytes) {
    uLong a = adler;
    // zlib takes a 32-bit length: feed large spans in pieces.
    constexpr std::size_t kPiece = 1u << 30;
    while (!bytes.empty()) {
        std::size_t n = std::min(bytes.size(), kPiece);
        a = adler32(a, bytes.data(), static_cast<uInt>(n));
        bytes = bytes.subspan(n);
    }
    return static_cast<std::uint32_t>(a);
}

std::uint32_t Adler32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondLength) {
    // zlib takes the length modulo 65521 anyway; reduced first, it fits
    // zlib's offset type on every target (32 bits on Windows).
    constexpr std::uint64_t kBase = 65521;
    return static_cast<std::uint32_t>(adler32_combine(first, second, static_cast<z_off_t>(secondLength % kBase)));
}

}  // namespace spd
