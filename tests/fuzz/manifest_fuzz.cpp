// The manifest parser: any text either parses into a manifest whose texts
// fit their fields, or is refused with a ManifestError.
#include "FuzzCheck.h"

#include "spdpack/Manifest.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        spdpack::Manifest m = spdpack::ParseManifest(text, "fuzz/manifest.toml");
        FUZZ_CHECK(!m.files.empty());
        FUZZ_CHECK(!m.displayName.empty() && m.displayName.size() <= 63);
        FUZZ_CHECK(m.defaultSubfolder.size() <= 63);
        for (const auto& f : m.files) {
            FUZZ_CHECK(!f.name.empty() && f.name.size() <= 255 && f.subfolder.size() <= 255);
            FUZZ_CHECK(f.subfolder.empty() || (f.subfolder.front() != '\\' && f.subfolder.back() != '\\'));
            FUZZ_CHECK(f.subfolder.find(':') == std::string::npos);
            FUZZ_CHECK(("\\" + f.subfolder + "\\").find("\\..\\") == std::string::npos);
            FUZZ_CHECK((f.flags & ~0x0F) == 0);
        }
        for (const auto& d : m.folders)
            FUZZ_CHECK(!d.path.empty() && d.path.front() != '\\' && d.path.find(':') == std::string::npos);
    } catch (const spdpack::ManifestError&) {
    }
    return 0;
}
