#include "codec/BlockHeader.h"

#include "codec/ByteWriter.h"
#include "codec/Checksum.h"
#include "codec/Compression.h"
#include "codec/PieceCompression.h"

#include <limits>

namespace spd {

std::array<std::uint8_t, BlockHeader::kSize> BlockHeader::Encode() const {
    ByteWriter w(kSize);
    w.U8At(kOffTag, tag);
    w.U32At(kOffChecksum, checksum);
    w.U32At(kOffStoredSize, storedSize);
    w.U32At(kOffExpandedSize, expandedSize);
    return w.ToArray<kSize>();
}

std::optional<BlockHeader> BlockHeader::Decode(ByteSpan bytes) {
    ByteReader r(bytes);
    BlockHeader h;
    h.tag = r.U8At(kOffTag);
    h.checksum = r.U32At(kOffChecksum);
    h.storedSize = r.U32At(kOffStoredSize);
    h.expandedSize = r.U32At(kOffExpandedSize);
    if (!r.ok()) return std::nullopt;
    return h;
}

Result<std::vector<std::uint8_t>> ExpandBlock(const BlockHeader& header, ByteSpan stored) {
    if (stored.size() < header.storedSize) return Status::Truncated;
    auto expanded = Expand(stored.first(header.storedSize), header.expandedSize);
    if (!expanded) return expanded.status;
    if (Adler32(expanded.value) != header.checksum) return Status::ChecksumMismatch;
    return expanded;
}

Result<std::vector<std::uint8_t>> MakeBlock(ByteSpan content, int level) {
    if (content.size() > std::numeric_limits<std::uint32_t>::max()) return Status::Overflow;
    auto compressed = CompressInPieces(content, level);
    if (!compressed) return compressed.status;
    if (compressed.value.size() > std::numeric_limits<std::uint32_t>::max()) return Status::Overflow;
    BlockHeader h;
    h.checksum = Adler32(content);
    h.storedSize = static_cast<std::uint32_t>(compressed.value.size());
    h.expandedSize = static_cast<std::uint32_t>(content.size());
    ByteWriter w;
    w.Bytes(h.Encode());
    w.Bytes(compressed.value);
    return w.Take();
}

}  // namespace spd
