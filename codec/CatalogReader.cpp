#include "codec/CatalogReader.h"

#include "codec/CatalogWalk.h"
#include "codec/Checksum.h"

#include <algorithm>

namespace spd {

CatalogReader::CatalogReader(ByteSpan joined, const SetupHeader& header) : joined_(joined), header_(header) {
    pos_ = static_cast<std::size_t>(std::min<std::uint64_t>(FirstFileRecordOffset(header), joined.size()));
}

Status CatalogReader::Verify() {
    ByteReader r(joined_);
    if (!r.Seek(header_.catalogOffset)) return Status::Truncated;
    auto h = BlockHeader::Decode(r.Bytes(BlockHeader::kSize));
    if (!h) return Status::Truncated;
    catalogHeader_ = *h;
    pos_ = r.position();
    if (Adler32(joined_.subspan(pos_)) != h->checksum) return Status::ChecksumMismatch;
    return Status::Ok;
}

Result<CatalogReader::Item> CatalogReader::Next() {
    recordOffset_ = pos_;
    contentOffset_ = 0;
    lastEntry_.reset();
    ByteReader r(joined_);
    if (!r.Seek(pos_)) return Status::Truncated;
    Item item;

    auto entryHeader = BlockHeader::Decode(r.Bytes(BlockHeader::kSize));
    if (!entryHeader) return Status::Truncated;
    if (Status sizes = CheckFileRecordHeader(*entryHeader); sizes != Status::Ok) return sizes;
    ByteSpan stored = r.Bytes(entryHeader->storedSize);
    if (!r.ok()) return Status::Truncated;
    auto entryBytes = ExpandBlock(*entryHeader, stored);
    if (!entryBytes) return entryBytes.status;
    auto entry = DecodeFileRecord(entryBytes.value);
    if (!entry) return entry.status;
    item.entryBlock = *entryHeader;
    item.entry = std::move(entry.value);
    lastEntry_ = item.entry;
    contentOffset_ = r.position();

    auto contentHeader = BlockHeader::Decode(r.Bytes(BlockHeader::kSize));
    if (!contentHeader) return Status::Truncated;
    stored = r.Bytes(contentHeader->storedSize);
    if (!r.ok()) return Status::Truncated;
    // The block lies whole in the data: whatever its bytes hold, the next
    // file starts after it.
    pos_ = r.position();
    auto content = ExpandBlock(*contentHeader, stored);
    if (!content) return content.status;
    item.contentBlock = *contentHeader;
    item.content = std::move(content.value);
    return item;
}

}  // namespace spd
