// spdpack build: reads a manifest and its files and writes user.spd, the
// further volumes, _setup.spd and setup.exe into an output folder.
#pragma once

#include "spdpack/Manifest.h"

#include "codec/Guid.h"
#include "codec/SetupData.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace spdpack {

class BuildError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct BuildOptions {
    std::filesystem::path manifest;
    std::filesystem::path output;
    std::optional<spd::Guid> setupId;                   // overrides the manifest's
    std::optional<std::filesystem::path> setupProgram;  // overrides the manifest's
    std::optional<std::filesystem::path> uninstaller;   // overrides the manifest's
    unsigned threads = 0;                               // 0: all hardware threads
    bool progress = false;                              // draw a progress bar on stdout
};

struct BuildSummary {
    spd::SetupHeader header;
    bool setupIdGenerated = false;
    std::vector<ManifestFolder> folders;         // the folder table, added ones marked
    std::vector<std::string> warnings;           // worth a look; the build went through
    std::vector<std::filesystem::path> written;  // relative to the output folder
};

// Throws ManifestError for a bad manifest and BuildError (or another
// std::exception) for anything else; in every case the output folder is
// left as it was.
BuildSummary Build(const BuildOptions& options);

// A fresh random (version 4) GUID.
spd::Guid NewSetupId();

}  // namespace spdpack
