// A file record as it lies in the catalog: BlockHeader, compressed 520 bytes.
#include "FuzzCheck.h"

#include "codec/BlockHeader.h"
#include "codec/CatalogEntry.h"
#include "codec/CatalogWalk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    spd::ByteSpan in(data, size);
    // The raw input as an expanded record.
    if (auto raw = spd::CatalogEntry::Decode(in)) {
        auto again = spd::CatalogEntry::Decode(raw->Encode());
        FUZZ_CHECK(again && *again == *raw);
        (void)raw->TargetPath("C:\\WINDOWS");
    }
    auto h = spd::BlockHeader::Decode(in);
    if (!h || spd::CheckFileRecordHeader(*h) != spd::Status::Ok) return 0;
    auto expanded = spd::ExpandBlock(*h, in.subspan(spd::BlockHeader::kSize));
    if (!expanded) return 0;
    auto entry = spd::DecodeFileRecord(expanded.value);
    FUZZ_CHECK(entry.ok() == (expanded.value.size() == spd::CatalogEntry::kSize));
    if (entry) FUZZ_CHECK(entry.value.subfolder.size() <= 256 && entry.value.fileName.size() <= 256);
    return 0;
}
