// File-system steps shared by the worker's stages.
#pragma once

#include <windows.h>

#include "framework/File.h"
#include <cstdint>
#include <string>
#include <vector>

namespace kalvorin::setup {

// Eight lowercase letters, each 'a' plus rand() modulo 26 (the C run-time's
// generator, on the calling thread's state).
std::string RandomName();

// Copies `file` into `folder` under its own name (the part after the last
// backslash, slash or colon). When a file of that name is there already,
// nothing is copied: one of the same size counts as success, one of another
// size as failure. Otherwise CopyFileA, refusing to overwrite; the copy
// loses a read-only attribute it took over from the source (a CD-ROM), so
// that it can be deleted. `copyPath` receives the path of the copy in the
// folder.
bool CopyIntoFolder(const std::string& file, const std::string& folder, std::string* copyPath = nullptr);

// Creates `path` level by level. The first component (the drive, such as
// C:) must name an existing root; every further level that does not exist
// is created. The first level that cannot be created ends the walk with
// false, leaving the levels made so far in place. Each level created is
// appended to `created` (parents before their subfolders), also on failure.
bool CreateFolderPath(const std::string& path, std::vector<std::string>* created = nullptr);

// Size of the file at `path`; false when it cannot be read.
bool GetFileSizeOf(const std::string& path, uint64_t& size);

// Reads until `count` bytes or the end of the file; returns the bytes read.
UINT ReadUpTo(CFile& file, void* buffer, UINT count);

}  // namespace kalvorin::setup
