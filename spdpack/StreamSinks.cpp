#include "spdpack/StreamSinks.h"

#include "spdpack/Build.h"

#include "codec/BlockHeader.h"
#include "codec/CatalogEntry.h"
#include "codec/Checksum.h"
#include "codec/PackedProgram.h"

namespace spdpack {

namespace {

constexpr std::uint64_t kMaxU32 = 0xFFFFFFFFull;

// A content block's header: the sizes and checksum of the whole stream once
// its last piece is there, the expanded size alone before.
spd::BlockHeader ContentHeader(const CompressedPiece& piece) {
    spd::BlockHeader h;
    if (piece.last) {
        h.checksum = piece.streamAdler;
        h.storedSize = static_cast<std::uint32_t>(piece.storedSize);
    }
    h.expandedSize = static_cast<std::uint32_t>(piece.streamSize);
    return h;
}

}  // namespace

std::string FailureText(spd::Status status) {
    switch (status) {
    case spd::Status::Overflow:
        return "the setup data is too large (more than 4 GiB)";
    default:
        return spd::StatusText(status);
    }
}

PackedProgramSink::PackedProgramSink(StagedFile& file, std::string where, std::filesystem::path source)
    : file_(file), where_(std::move(where)), source_(std::move(source)) {}

void PackedProgramSink::Opened(std::size_t, std::uint64_t size) {
    if (size == 0) throw BuildError(where_ + ": cannot pack \"" + source_.string() + "\": the file is empty");
}

void PackedProgramSink::Piece(const CompressedPiece& piece) {
    if (piece.first) file_.Write(spd::PackedProgramHeader{}.Encode());  // written again at the end
    file_.Write(piece.bytes);
    length_ += piece.bytes.size();
    if (piece.last) {
        spd::PackedProgramHeader h;
        h.checksum = piece.streamAdler;
        h.expandedSize = static_cast<std::uint32_t>(piece.streamSize);
        file_.WriteAt(0, h.Encode());
    }
}

std::uint64_t PackedProgramSink::length() const {
    return spd::PackedProgramHeader::kSize + length_;
}

CatalogSink::CatalogSink(VolumeWriter& out, const Manifest& m) : out_(out), m_(m) {}

void CatalogSink::Piece(const CompressedPiece& piece) {
    if (piece.first) {
        const ManifestFile& f = m_.files[piece.stream];
        spd::CatalogEntry entry;
        entry.flags = f.flags;
        entry.folderKind = static_cast<std::uint8_t>(f.kind);
        entry.subfolder = f.subfolder;
        entry.fileName = f.name;
        auto record = spd::MakeBlock(entry.Encode(), m_.compressionLevel);
        if (!record)
            throw BuildError(m_.path.string() + ": cannot build the setup data: " + FailureText(record.status));
        Append(record.value);
        headerOffset_ = out_.length();
        // Complete when the stream is one piece, else written again at its end.
        out_.Write(ContentHeader(piece).Encode());
        dataAdler_ = spd::kAdler32Initial;
        dataLength_ = 0;
    }
    out_.Write(piece.bytes);
    dataAdler_ = spd::Adler32Combine(dataAdler_, piece.bytesAdler, piece.bytes.size());
    dataLength_ += piece.bytes.size();
    if (piece.last) {
        if (piece.storedSize > kMaxU32) TooLarge();
        const auto header = ContentHeader(piece).Encode();
        if (!piece.first) out_.WriteAt(headerOffset_, header);
        adler_ = spd::Adler32Combine(spd::Adler32Update(adler_, header), dataAdler_, dataLength_);
        length_ += header.size() + dataLength_;
    }
    if (out_.length() > kMaxU32) TooLarge();
}

void CatalogSink::Append(spd::ByteSpan bytes) {
    out_.Write(bytes);
    adler_ = spd::Adler32Update(adler_, bytes);
    length_ += bytes.size();
}

void CatalogSink::TooLarge() const {
    throw BuildError(m_.path.string() + ": cannot build the setup data: " + FailureText(spd::Status::Overflow));
}

}  // namespace spdpack
