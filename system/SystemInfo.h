// What the setup program and the uninstaller learn about the computer: the
// platform family, the Windows and system folders, and folder values kept in
// the registry ("ProgramFilesDir", "CommonFilesDir").
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace kalvorin {

// HKEY_LOCAL_MACHINE key of "ProgramFilesDir" and "CommonFilesDir".
extern const char kCurrentVersionKey[];  // "Software\Microsoft\Windows\CurrentVersion"

// 1 when GetVersionExA succeeds and reports VER_PLATFORM_WIN32_WINDOWS (the
// Windows 9x family), else 0.
int32_t DetectWin9x();

// A folder value of any key (REG_SZ or REG_EXPAND_SZ, with or without its
// terminating zero, at most 260 bytes); nullopt when the key or the value
// cannot be read or has another type.
std::optional<std::string> ReadFolderValue(HKEY root, const char* subKey, const char* valueName);

// GetWindowsDirectoryA / GetSystemDirectoryA into 260 characters; empty when
// the system reports nothing or needs a larger buffer.
std::string WindowsFolder();
std::string SystemFolder();

}  // namespace kalvorin
