// Forming and checking the paths the worker builds from the setup data.
//
// Paths are ANSI strings of at most 259 characters (MAX_PATH with its
// terminator). A formed path that would be longer is refused as a file error
// naming it, never cut. Names taken from the setup data must stay below
// their base folder: they are checked before anything is made of them.
#pragma once

#include <cstddef>
#include <string>

namespace kalvorin::setup {

// The longest path the worker forms.
constexpr std::size_t kMaxPathLength = 259;

// `folder` and `name` joined by a single backslash (none is added when the
// folder already ends with one, or is empty).
std::string JoinPath(const std::string& folder, const std::string& name);

// `path` without one trailing backslash.
std::string WithoutTrailingBackslash(const std::string& path);

// `path` with a trailing backslash (added unless present).
std::string WithTrailingBackslash(const std::string& path);

// The file name part of a path: what follows the last backslash, slash or
// colon.
std::string FileNamePart(const std::string& path);

// Returns `path` when it has at most 259 characters; otherwise throws
// CFileException(badPath) naming it.
std::string CheckedPath(std::string path);

// True when a folder path taken from the setup data stays below its base
// folder and names folders Windows can create there: the installable-name
// rule of codec/InstallableName.h (no drive, not absolute, no "..", no
// component of dots and blanks, no device name, no character Windows
// forbids, no trailing dot or blank). An empty path is safe.
bool IsSafeRelativePath(const std::string& path);

// True when a file name from the setup data names a file in its folder, by
// the same rule: not empty and no folder part.
bool IsSafeFileName(const std::string& name);

}  // namespace kalvorin::setup
