#include "codec/FolderEntry.h"

#include "codec/BlockHeader.h"
#include "codec/ByteWriter.h"
#include "codec/Checksum.h"
#include "codec/FolderKind.h"

namespace spd {

std::string FolderEntry::TrimmedPath() const {
    std::string p = path;
    if (!p.empty() && p.front() == '\\') p.erase(0, 1);
    if (!p.empty() && p.back() == '\\') p.pop_back();
    return p;
}

std::vector<std::uint8_t> FolderEntry::Encode() const {
    ByteWriter w(kSize);
    w.U8At(kOffTag, tag);
    w.U8At(kOffFolderKind, folderKind);
    w.FixedStringAt(kOffPath, path, kPathWidth);
    return w.Take();
}

std::optional<FolderEntry> FolderEntry::Decode(ByteSpan bytes) {
    if (bytes.size() < kSize) return std::nullopt;
    ByteReader r(bytes);
    FolderEntry e;
    e.tag = r.U8At(kOffTag);
    e.folderKind = r.U8At(kOffFolderKind);
    e.path = r.FixedStringAt(kOffPath, kPathWidth);
    return e;
}

std::vector<std::uint8_t> EncodeFolderRecord(const FolderEntry& entry) {
    std::vector<std::uint8_t> body = entry.Encode();
    BlockHeader h;
    h.checksum = Adler32(body);
    h.storedSize = FolderEntry::kSize;
    h.expandedSize = FolderEntry::kSize;
    ByteWriter w;
    w.Bytes(h.Encode());
    w.Bytes(body);
    return w.Take();
}

Result<FolderEntry> DecodeFolderRecord(ByteSpan record) {
    if (record.size() < FolderEntry::kRecordSize) return Status::Truncated;
    auto h = BlockHeader::Decode(record);
    ByteSpan body = record.subspan(BlockHeader::kSize, FolderEntry::kSize);
    auto entry = FolderEntry::Decode(body);
    if (!h || !entry) return Status::Truncated;
    if (h->storedSize != h->expandedSize || h->storedSize > FolderEntry::kRecordSize) return Status::BadRecord;
    if (Adler32(body) != h->checksum) return Status::ChecksumMismatch;
    if (!IsValidFolderKind(entry->folderKind)) return Status::BadKind;
    return *entry;
}

}  // namespace spd
