// What a [[files]] source names on disk: one file, or the files of a folder
// or of a pattern.
//
//   source = "payload/Kalvorin.scr"   one file
//   source = "Bilder"                 every file in the folder Bilder
//   source = "Bilder/*.jpg"           the files matching the pattern
//
// In a pattern, * stands for any run of characters and ? for one character;
// both may stand in the file name part only. Names starting with a dot are
// passed over (also folders, when listing subfolders), unless the pattern
// itself starts with a dot. The files are sorted by their path below the
// folder (byte order), so a build does not depend on the order the file
// system lists them in.
#pragma once

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace spdpack {

class SourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SourceListing {
    bool several = false;            // false: the source is taken as one file
    std::filesystem::path folder;    // several: the folder the files lie in
    std::vector<std::string> files;  // several: paths below folder, '/' between folders, sorted
};

// Lists a source (resolved against the manifest's folder); with recursive,
// the files of subfolders as well. Throws SourceError for a pattern in a
// folder part or a pattern whose folder does not exist.
SourceListing ListSource(const std::filesystem::path& source, bool recursive);

// How the manifest parser lists sources; tests and the fuzz target give
// their own.
using SourceLister = std::function<SourceListing(const std::filesystem::path& source, bool recursive)>;

// True when name matches pattern (* any run, ? one character).
bool MatchPattern(std::string_view pattern, std::string_view name);

}  // namespace spdpack
