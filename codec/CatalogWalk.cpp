#include "codec/CatalogWalk.h"

namespace spd {

std::uint64_t FirstFileRecordOffset(const SetupHeader& header) {
    return std::uint64_t(header.catalogOffset) + BlockHeader::kSize;
}

Status CheckFileRecordHeader(const BlockHeader& header) {
    if (header.expandedSize != CatalogEntry::kSize || header.storedSize == 0) return Status::BadSize;
    return Status::Ok;
}

Result<CatalogEntry> DecodeFileRecord(ByteSpan expanded) {
    if (expanded.size() != CatalogEntry::kSize) return Status::LengthMismatch;
    return *CatalogEntry::Decode(expanded);
}

}  // namespace spd
