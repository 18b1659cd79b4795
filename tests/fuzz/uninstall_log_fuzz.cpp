// Unscr.log: decode, and the decoded log encodes into a log that decodes to
// the same records, unless a text fills its field.
#include "FuzzCheck.h"

#include "codec/UninstallLog.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto decoded = spd::DecodeUninstallLog(spd::ByteSpan(data, size));
    if (!decoded) return 0;
    const spd::UninstallLogHeader& h = decoded.value.header;
    FUZZ_CHECK(h.fileLength <= size);
    FUZZ_CHECK(decoded.value.log.files.size() == h.filesSize / spd::LogFileRecord::kSize);
    // A text that fills its whole field (no terminator in the file) is
    // refused by the writer, never cut short; every other log is written.
    const spd::UninstallLog& log = decoded.value.log;
    bool fills = log.displayName.size() >= spd::UninstallLogHeader::kNameWidth;
    for (const auto& f : log.files) fills |= f.path.size() >= spd::LogFileRecord::kPathWidth;
    for (const auto& f : log.folders) fills |= f.path.size() >= spd::LogFolderRecord::kSize;
    for (const auto& r : log.registry) {
        fills |= r.key.size() >= spd::RegistryEntryRecord::kTextWidth ||
                 r.valueName.size() >= spd::RegistryEntryRecord::kTextWidth;
    }
    auto encoded = spd::EncodeUninstallLog(log);
    FUZZ_CHECK(encoded.ok() != fills);
    if (fills) {
        FUZZ_CHECK(encoded.status == spd::Status::Overflow);
        return 0;
    }
    auto again = spd::DecodeUninstallLog(encoded.value);
    FUZZ_CHECK(again && again.value.log == decoded.value.log);
    return 0;
}
