// The manifest parser: any text either parses into a manifest whose texts
// fit their fields and whose names the setup program installs, or is refused
// with a ManifestError. Folder and pattern sources are listed by a fixed
// stand-in, never on the disk.
#include "FuzzCheck.h"

#include "spdpack/Manifest.h"

#include "codec/InstallableName.h"

#include <string>

namespace {

// A source with a wildcard or a trailing slash lists three files, one of
// them in a subfolder; anything else is one file.
spdpack::SourceListing FixedListing(const std::filesystem::path& source, bool) {
    spdpack::SourceListing listing;
    const std::string text = source.string();
    if (text.find_first_of("*?") != std::string::npos || (!text.empty() && text.back() == '/')) {
        listing.several = true;
        listing.folder = "fuzz";
        listing.files = {"a.jpg", "b.jpg", "sub/c.jpg"};
    }
    return listing;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        spdpack::Manifest m = spdpack::ParseManifest(text, "fuzz/manifest.toml", FixedListing);
        FUZZ_CHECK(!m.files.empty());
        FUZZ_CHECK(!m.displayName.empty() && m.displayName.size() <= 63);
        FUZZ_CHECK(m.defaultSubfolder.size() <= 63);
        for (const auto& f : m.files) {
            FUZZ_CHECK(!f.name.empty() && f.name.size() <= 255 && f.subfolder.size() <= 255);
            FUZZ_CHECK(f.subfolder.empty() || (f.subfolder.front() != '\\' && f.subfolder.back() != '\\'));
            FUZZ_CHECK(f.subfolder.find(':') == std::string::npos);
            FUZZ_CHECK(("\\" + f.subfolder + "\\").find("\\..\\") == std::string::npos);
            FUZZ_CHECK((f.flags & ~0x0F) == 0);
            FUZZ_CHECK(spd::CheckFileName(f.name) == spd::NameProblem::None);
            FUZZ_CHECK(spd::CheckFolderPath(f.subfolder) == spd::NameProblem::None);
        }
        for (const auto& d : m.folders) {
            FUZZ_CHECK(!d.path.empty() && d.path.front() != '\\' && d.path.find(':') == std::string::npos);
            FUZZ_CHECK(spd::CheckFolderPath(d.path) == spd::NameProblem::None);
        }
    } catch (const spdpack::ManifestError&) {
    }
    return 0;
}
