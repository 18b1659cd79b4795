// Small file-system helpers shared by the setup program.
#pragma once

#include <string>

namespace kalvorin {

// True when `path` names an existing file (not a folder). Opens nothing.
bool FileExists(const std::string& path);

// True when the current directory can be changed to `path`; the current
// directory is restored at once.
bool FolderExists(const std::string& path);

// The folder part of `path`, without the last backslash; empty when there
// is none.
std::string FolderOf(const std::string& path);

}  // namespace kalvorin
