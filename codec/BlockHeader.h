// BlockHeader: the 16 bytes ahead of every block of the setup data, and the
// helpers that make and expand a block (see codec/Layout.h).
//
//   auto bh = spd::BlockHeader::Decode(bytes);       // nullopt: < 16 bytes
//   auto content = spd::ExpandBlock(*bh, stored);    // Result<std::vector<uint8_t>>
//   auto block = spd::MakeBlock(content, level);     // header + zlib stream
#pragma once

#include "codec/ByteReader.h"
#include "codec/Status.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace spd {

struct BlockHeader {
    static constexpr std::size_t kSize = 16;
    static constexpr std::uint8_t kTag = 0x42;  // 'B'

    static constexpr std::size_t kOffTag = 0;
    static constexpr std::size_t kOffChecksum = 4;
    static constexpr std::size_t kOffStoredSize = 8;
    static constexpr std::size_t kOffExpandedSize = 12;

    std::uint8_t tag = kTag;
    std::uint32_t checksum = 0;
    std::uint32_t storedSize = 0;
    std::uint32_t expandedSize = 0;

    // The folder table is absent when any of these is zero.
    bool IsAbsent() const { return checksum == 0 || storedSize == 0 || expandedSize == 0; }

    std::array<std::uint8_t, kSize> Encode() const;
    static std::optional<BlockHeader> Decode(ByteSpan bytes);

    bool operator==(const BlockHeader&) const = default;
};

// Expands the block described by header from stored, which must hold at
// least header.storedSize bytes (only those are used):
//   Truncated        stored is shorter than storedSize
//   DecompressError  zlib reports an error (see Expand())
//   ChecksumMismatch the Adler-32 of the produced bytes differs from checksum
// On success the value holds the bytes produced, whose length may differ
// from expandedSize; callers that need the exact length compare it.
Result<std::vector<std::uint8_t>> ExpandBlock(const BlockHeader& header, ByteSpan stored);

// A whole block for content: its BlockHeader (checksum = Adler-32 of
// content, both sizes) followed by the zlib stream at level, made in pieces
// as spdpack makes it (codec/PieceCompression.h), so both give the same bytes.
Result<std::vector<std::uint8_t>> MakeBlock(ByteSpan content, int level);

}  // namespace spd
