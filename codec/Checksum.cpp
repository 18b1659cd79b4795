#include "codec/Checksum.h"

#include <zlib.h>

#include <algorithm>

namespace spd {

std::uint32_t Adler32Update(std::uint32_t adler, std::span<const std::uint8_t> bytes)
{
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

}  // namespace spd
