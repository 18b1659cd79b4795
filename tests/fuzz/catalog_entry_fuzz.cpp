// A file record as it lies in the catalog: BlockHeader, compressed 520 bytes.
#include "FuzzCheck.h"

#include "codec/BlockHeader.h"
#include "codec/CatalogEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    spd::ByteSpan in(data, size);
    // The raw input as an expanded record.
    if (auto raw = spd::CatalogEntry::Decode(in)) {
        auto again = spd::CatalogEntry::Decode(raw->Encode());
        FUZZ_CHECK(again && *again == *raw);
        (void)raw->TargetPath("C:\\WINDOWS");
    }
    auto h = spd::BlockHeader::Decode(in);
    if (!h || h->expandedSize != spd::CatalogEntry::kSize || h->storedSize == 0)
        return 0;
    auto expanded = spd::ExpandBlock(*h, in.subspan(spd::BlockHeader::kSize));
    if (!expanded || expanded.value.size() != spd::CatalogEntry::kSize)
        return 0;
    auto entry = spd::CatalogEntry::Decode(expanded.value);
    FUZZ_CHECK(entry.has_value());
    FUZZ_CHECK(entry->subfolder.size() <= 256 && entry->fileName.size() <= 256);
    return 0;
}
