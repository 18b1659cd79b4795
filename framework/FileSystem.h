// Small file-system helpers shared by the setup program.
#pragma once

#include <windows.h>

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

// Renames the file open as `file` (opened with DELETE access) to the full
// path `newPath`, replacing a file of that name, without opening it again:
// SetFileInformationByHandle with FileRenameInfo, Windows Vista and later.
// False with the Win32 error when it fails; ERROR_CALL_NOT_IMPLEMENTED
// where the system lacks the call (then MoveFileExA does it).
// `replace`: a file of the new name is replaced; otherwise the rename fails
// with ERROR_ALREADY_EXISTS and nothing changes.
bool RenameOpenFile(HANDLE file, const std::string& newPath, bool replace, DWORD& error);

}  // namespace kalvorin
