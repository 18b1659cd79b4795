// Forming and checking the paths the worker builds from the setup data.
//
// Paths are ANSI strings of at most 259 characters (MAX_PATH with its
// terminator). A formed path that would be longer is refused as a file error
// naming it, never cut. Names taken from the setup data must stay below
// their base folder: they are checked before anything is made of them.
#pragma once

#include <cstddef>
#include <string>

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
// folder: it is not absolute (no leading backslash or slash), names no drive
// and no stream (no colon), is no UNC path and has no ".." component (nor
// any other component made of dots and blanks only with two dots or more,
// which Windows would read as a step up). An empty path is safe.
bool IsSafeRelativePath(const std::string& path);

// True when a file name from the setup data names a file in its folder: not
// empty, no backslash, slash or colon, and not made of dots and blanks only.
bool IsSafeFileName(const std::string& name);
