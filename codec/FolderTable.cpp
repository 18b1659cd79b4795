#include "codec/FolderTable.h"

#include "codec/BlockHeader.h"
#include "codec/ByteWriter.h"

#include <algorithm>

namespace spd {

Result<std::vector<std::uint8_t>> EncodeFolderTable(const std::vector<FolderEntry>& entries, int level) {
    if (entries.empty()) {
        BlockHeader none;
        auto raw = none.Encode();
        return std::vector<std::uint8_t>(raw.begin(), raw.end());
    }
    ByteWriter records;
    for (const FolderEntry& e : entries) records.Bytes(EncodeFolderRecord(e));
    return MakeBlock(records.bytes(), level);
}

Result<FolderTable> DecodeFolderTable(ByteSpan fromTable, std::uint16_t folderCount) {
    auto h = BlockHeader::Decode(fromTable);
    if (!h) return Status::Truncated;
    FolderTable table;
    if (h->IsAbsent()) return table;
    auto body = ExpandBlock(*h, fromTable.subspan(BlockHeader::kSize));
    if (!body) return body.status;
    if (body.value.size() != h->expandedSize ||
        body.value.size() != static_cast<std::size_t>(folderCount) * FolderEntry::kRecordSize)
        return Status::LengthMismatch;
    table.present = true;
    ByteReader r(body.value);
    for (unsigned i = 0; i < folderCount; ++i) {
        auto entry = DecodeFolderRecord(r.Bytes(FolderEntry::kRecordSize));
        if (!entry) return entry.status;
        table.entries.push_back(std::move(entry.value));
    }
    return table;
}

void SortFolderEntries(std::vector<FolderEntry>& entries) {
    std::stable_sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        // Compare as unsigned bytes, as the stored paths are compared.
        return std::lexicographical_compare(
            a.path.begin(), a.path.end(), b.path.begin(), b.path.end(),
            [](char x, char y) { return static_cast<unsigned char>(x) < static_cast<unsigned char>(y); });
    });
}

}  // namespace spd
