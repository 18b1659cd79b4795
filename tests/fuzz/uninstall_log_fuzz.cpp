// Unscr.log: decode, and the decoded log encodes into a log that decodes to
// the same records.
#include "FuzzCheck.h"

#include "codec/UninstallLog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto decoded = spd::DecodeUninstallLog(spd::ByteSpan(data, size));
    if (!decoded) return 0;
    const spd::UninstallLogHeader& h = decoded.value.header;
    FUZZ_CHECK(h.fileLength <= size);
    FUZZ_CHECK(decoded.value.log.files.size() == h.filesSize / spd::LogFileRecord::kSize);
    auto encoded = spd::EncodeUninstallLog(decoded.value.log);
    FUZZ_CHECK(encoded.ok());
    auto again = spd::DecodeUninstallLog(encoded.value);
    FUZZ_CHECK(again && again.value.log == decoded.value.log);
    return 0;
}
