// spdpack's first look at a file it is given (inspect, extract, log): any
// name and first bytes give one of the kinds, named in words. The input is
// a file name, a zero byte and the file's first bytes.
#include "FuzzCheck.h"

#include "spdpack/DataFileKind.h"

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto* zero = static_cast<const std::uint8_t*>(std::memchr(data, 0, size));
    const std::size_t nameLength = zero != nullptr ? static_cast<std::size_t>(zero - data) : size;
    const std::string name(reinterpret_cast<const char*>(data), nameLength);
    const std::size_t start = zero != nullptr ? nameLength + 1 : size;
    const spdpack::DataFileKind kind = spdpack::RecogniseDataFile(spd::ByteSpan(data + start, size - start), name);
    const char* text = spdpack::DataFileKindText(kind);
    FUZZ_CHECK(text != nullptr && std::strlen(text) > 0);
    return 0;
}
