// _setup.spd: unpack, and what unpacks packs into a file that unpacks again.
#include "FuzzCheck.h"

#include "codec/PackedProgram.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto program = spd::UnpackProgram(spd::ByteSpan(data, size));
    if (!program || program.value.empty()) return 0;
    auto header = spd::PackedProgramHeader::Decode(spd::ByteSpan(data, size));
    FUZZ_CHECK(header && program.value.size() <= header->expandedSize);
    auto packed = spd::PackProgram(program.value, 1);
    FUZZ_CHECK(packed.ok());
    auto again = spd::UnpackProgram(packed.value);
    FUZZ_CHECK(again && again.value == program.value);
    return 0;
}
