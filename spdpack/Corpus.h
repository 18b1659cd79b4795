// spdpack corpus: writes the seed inputs of the fuzz targets, one folder per
// target, made with the same code as a real build.
#pragma once

#include <filesystem>

namespace spdpack {

// Writes <dir>/<target>/seed-N for every fuzz target; returns the number of
// files written.
int WriteCorpus(const std::filesystem::path& dir);

}  // namespace spdpack
