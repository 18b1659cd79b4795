#include "codec/Compression.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace spd {

Result<std::vector<std::uint8_t>> Compress(std::span<const std::uint8_t> input, int level) {
    if (level < -1 || level > 9) return Status::CompressError;
    if (input.size() > std::numeric_limits<uLong>::max() / 2) return Status::Overflow;
    uLongf outLen = compressBound(static_cast<uLong>(input.size()));
    std::vector<std::uint8_t> out(outLen);
    static const Bytef kEmpty = 0;
    const Bytef* src = input.empty() ? &kEmpty : input.data();
    int rc = compress2(out.data(), &outLen, src, static_cast<uLong>(input.size()), level);
    if (rc != Z_OK) return Status::CompressError;
    out.resize(outLen);
    return out;
}

std::uint64_t MaxExpandedSize(std::uint64_t compressedSize) {
    return compressedSize * 1040 + 1024;
}

Result<std::vector<std::uint8_t>> Expand(std::span<const std::uint8_t> compressed, std::size_t expectedSize) {
    std::uint64_t room = std::min<std::uint64_t>(expectedSize, MaxExpandedSize(compressed.size()));
    if (room > std::numeric_limits<uLong>::max() || compressed.size() > std::numeric_limits<uLong>::max())
        return Status::Overflow;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(room));
    uLongf outLen = static_cast<uLongf>(room);
    Bytef dummy = 0;
    static const Bytef kEmpty = 0;
    const Bytef* src = compressed.empty() ? &kEmpty : compressed.data();
    int rc = uncompress(out.empty() ? &dummy : out.data(), &outLen, src, static_cast<uLong>(compressed.size()));
    if (rc != Z_OK) return Status::DecompressError;
    out.resize(out.empty() ? 0 : outLen);
    return out;
}

}  // namespace spd
