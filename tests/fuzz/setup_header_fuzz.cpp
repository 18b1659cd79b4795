// SetupHeader: decode, and encode/decode gives the same header again.
#include "FuzzCheck.h"

#include "codec/SetupHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto h = spd::SetupHeader::Decode(spd::ByteSpan(data, size));
    FUZZ_CHECK(h.has_value() == (size >= spd::SetupHeader::kSize));
    if (!h) return 0;
    (void)h->PassesValidation();
    (void)h->VolumeFiles();
    std::vector<std::uint8_t> encoded = h->Encode();
    FUZZ_CHECK(encoded.size() == spd::SetupHeader::kSize);
    auto again = spd::SetupHeader::Decode(encoded);
    FUZZ_CHECK(again && *again == *h);
    return 0;
}
