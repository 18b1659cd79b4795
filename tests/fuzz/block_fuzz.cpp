// BlockHeader and block expansion: the input is a header and stored bytes.
#include "FuzzCheck.h"

#include "codec/BlockHeader.h"
#include "codec/Checksum.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    spd::ByteSpan in(data, size);
    auto h = spd::BlockHeader::Decode(in);
    FUZZ_CHECK(h.has_value() == (size >= spd::BlockHeader::kSize));
    if (!h) return 0;
    auto raw = h->Encode();
    FUZZ_CHECK(spd::BlockHeader::Decode(raw) == h);
    auto content = spd::ExpandBlock(*h, in.subspan(spd::BlockHeader::kSize));
    if (content) {
        FUZZ_CHECK(content.value.size() <= h->expandedSize);
        FUZZ_CHECK(spd::Adler32(content.value) == h->checksum);
        // What was expanded packs into a block that expands to it again.
        auto block = spd::MakeBlock(content.value, 1);
        FUZZ_CHECK(block.ok());
        auto h2 = spd::BlockHeader::Decode(block.value);
        auto again = spd::ExpandBlock(*h2, spd::ByteSpan(block.value).subspan(spd::BlockHeader::kSize));
        FUZZ_CHECK(again && again.value == content.value);
    }
    return 0;
}
