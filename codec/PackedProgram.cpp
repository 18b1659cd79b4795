#include "codec/PackedProgram.h"

#include "codec/ByteWriter.h"
#include "codec/Checksum.h"
#include "codec/Compression.h"
#include "codec/PieceCompression.h"

#include <limits>

namespace spd {

std::array<std::uint8_t, PackedProgramHeader::kSize> PackedProgramHeader::Encode() const {
    ByteWriter w(kSize);
    w.U32At(kOffMagic, magic);
    w.U32At(kOffChecksum, checksum);
    w.U32At(kOffExpandedSize, expandedSize);
    return w.ToArray<kSize>();
}

std::optional<PackedProgramHeader> PackedProgramHeader::Decode(ByteSpan bytes) {
    ByteReader r(bytes);
    PackedProgramHeader h;
    h.magic = r.U32At(kOffMagic);
    h.checksum = r.U32At(kOffChecksum);
    h.expandedSize = r.U32At(kOffExpandedSize);
    if (!r.ok()) return std::nullopt;
    return h;
}

Result<std::vector<std::uint8_t>> PackProgram(ByteSpan program, int level) {
    if (program.empty()) return Status::BadSize;
    if (program.size() > std::numeric_limits<std::uint32_t>::max()) return Status::Overflow;
    auto compressed = CompressInPieces(program, level);
    if (!compressed) return compressed.status;
    PackedProgramHeader h;
    h.checksum = Adler32(program);
    h.expandedSize = static_cast<std::uint32_t>(program.size());
    ByteWriter w;
    w.Bytes(h.Encode());
    w.Bytes(compressed.value);
    return w.Take();
}

Status PackedProgramHeader::Check() const {
    if (magic != kMagic) return Status::BadMagic;
    if (expandedSize == 0) return Status::BadSize;
    return Status::Ok;
}

Result<std::vector<std::uint8_t>> UnpackProgram(ByteSpan file) {
    auto h = PackedProgramHeader::Decode(file);
    if (!h) return Status::Truncated;
    if (Status status = h->Check(); status != Status::Ok) return status;
    auto program = Expand(file.subspan(PackedProgramHeader::kSize), h->expandedSize);
    if (!program) return program.status;
    if (Adler32(program.value) != h->checksum) return Status::ChecksumMismatch;
    return program;
}

}  // namespace spd
