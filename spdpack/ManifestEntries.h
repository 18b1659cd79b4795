// The [[folders]] and [[files]] entries of a manifest, and what is checked
// over all of them once they are read: one target per file, the folders the
// files need, the limits of the setup data and the warnings.
#pragma once

#include "spdpack/Manifest.h"

#include <toml++/toml.h>

namespace spdpack {

void ParseFolders(const toml::table& top, Manifest& m, const std::string& manifestName);

void ParseFiles(const toml::table& top, Manifest& m, const std::string& manifestName,
                const std::filesystem::path& manifestDir, const SourceLister& lister);

// Refuses two files with one target, two [[folders]] entries for one folder
// and a file named like a folder; adds every folder a file's subfolder or a
// listed folder's parent needs (parents first, each once); checks the
// counts against kMaxEntries; collects the warnings about flags.
void CompleteManifest(Manifest& m);

}  // namespace spdpack
