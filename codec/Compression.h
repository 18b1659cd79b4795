// zlib pieces of the setup data: every compressed piece is one zlib stream
// (RFC 1950), made in one call and expanded in one call with uncompress().
#pragma once

#include "codec/Status.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace spd {

// zlib's default level (6); what the uninstall log is compressed with.
constexpr int kDefaultCompressionLevel = -1;

// One zlib stream of input at level (-1 or 0..9). CompressError when zlib
// fails or the level is invalid.
Result<std::vector<std::uint8_t>> Compress(std::span<const std::uint8_t> input, int level = kDefaultCompressionLevel);

// Expands one zlib stream with uncompress() into a buffer of expectedSize
// bytes. The result holds the bytes actually produced, which may be fewer
// than expectedSize; any zlib error (including a stream that needs more room
// than expectedSize) is DecompressError. Bytes after the end of the stream are
// ignored, as uncompress() does.
//
// No more memory is reserved than the stream could possibly produce, so a
// huge expectedSize in damaged data costs nothing and changes no outcome.
Result<std::vector<std::uint8_t>> Expand(std::span<const std::uint8_t> compressed, std::size_t expectedSize);

// The most bytes a zlib stream of compressedSize bytes can expand to
// (deflate's limit is 1032 bytes out per byte in), with some room to spare.
std::uint64_t MaxExpandedSize(std::uint64_t compressedSize);

}  // namespace spd
