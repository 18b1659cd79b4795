// The TOML manifest that describes one setup: what goes into the setup data,
// where each file is installed, and how the output is laid out.
//
// ParseManifest() checks everything that can be checked from the text and
// the listing of folder and pattern sources, and throws ManifestError with a
// message naming the manifest file, the line, the entry and the field.
// CheckSources() then checks that every source file exists and is small
// enough for the setup program. Texts are converted to code page 1252 here;
// paths inside the setup data use backslashes.
#pragma once

#include "spdpack/SourceList.h"

#include "codec/FolderKind.h"
#include "codec/Guid.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace spdpack {

class ManifestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class VolumeLayout { Flat, DiskFolders };

struct ManifestFolder {
    spd::FolderKind kind = spd::FolderKind::Destination;
    std::string path;    // code page 1252, backslashes, no leading or trailing backslash
    std::string where;   // "manifest.toml:12: [[folders]] #1" for messages
    bool added = false;  // not listed: a file's subfolder (or a listed folder's parent) needs it
};

// One file of the setup; a folder or pattern source gives one per file.
struct ManifestFile {
    std::filesystem::path source;  // resolved against the manifest's folder
    std::string sourceText;        // as written in the manifest
    spd::FolderKind kind = spd::FolderKind::Destination;
    std::string subfolder;  // code page 1252, may be empty
    std::string name;       // code page 1252
    std::uint8_t flags = 0;
    std::string where;
};

struct Manifest {
    std::filesystem::path path;    // the manifest file itself
    std::string displayName;       // code page 1252, at most 63 bytes
    std::string defaultSubfolder;  // code page 1252, at most 63 bytes
    std::optional<spd::Guid> setupId;
    int compressionLevel = 6;
    std::optional<std::filesystem::path> uninstaller;   // packed into _setup.spd
    std::optional<std::filesystem::path> setupProgram;  // copied as setup.exe
    std::uint64_t volumeSize = 0;                       // room on one disk; 0: everything in user.spd
    VolumeLayout layout = VolumeLayout::Flat;
    std::uint16_t singleVolumeCount = 1;
    std::vector<ManifestFolder> folders;  // listed ones in manifest order, then the added ones
    std::vector<ManifestFile> files;
    std::vector<std::string> warnings;  // things worth a look that do not stop a build
};

// The most files and folders the setup data can count (16-bit fields).
inline constexpr std::size_t kMaxEntries = 65535;

// Parses and checks manifest text; manifestPath names it in messages and
// its folder is the base of relative source paths. Folder and pattern
// sources are listed with lister.
Manifest ParseManifest(std::string_view text, const std::filesystem::path& manifestPath,
                       const SourceLister& lister = ListSource);

// Reads and parses a manifest file, then CheckSources().
Manifest LoadManifest(const std::filesystem::path& manifestPath);

// ManifestError for the first source, uninstaller or setup program that is
// not a readable regular file, and for a source or the uninstaller that is
// too large for the setup program to hold (see SourceFile.h).
void CheckSources(const Manifest& manifest);

// Volume size text: a number of bytes, optionally followed by K or M
// (units of 1024 and 1048576 bytes). nullopt when malformed.
std::optional<std::uint64_t> ParseVolumeSize(std::string_view text);

}  // namespace spdpack
