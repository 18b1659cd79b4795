// VolumeHeader: decode, the volume check against a fixed setup header, and
// encode/decode round trip.
#include "FuzzCheck.h"

#include "codec/SetupHeader.h"
#include "codec/VolumeHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    spd::ByteSpan in(data, size);
    spd::SetupHeader setup;
    setup.displayName = "Kalvorin";
    setup.setupId = *spd::Guid::Parse("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
    spd::VolumeCheck check = spd::CheckVolume(in, 1, setup);
    auto v = spd::VolumeHeader::Decode(in);
    FUZZ_CHECK(v.has_value() == (size >= spd::VolumeHeader::kSize));
    if (!v) {
        FUZZ_CHECK(check == spd::VolumeCheck::NotSetupFile);
        return 0;
    }
    auto again = spd::VolumeHeader::Decode(v->Encode());
    FUZZ_CHECK(again && *again == *v);
    return 0;
}
