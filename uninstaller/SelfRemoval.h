// The uninstaller removes its own file once an installation is removed.
//
// A setup puts the uninstaller into the Windows folder as "UnSc####.exe"
// (four digits). Only a program of that name in that folder removes itself;
// anywhere else (a copy started by hand, the build folder) it stays.
//
// A running program cannot delete its own file. So the original copies
// itself into the temporary folder and starts that copy with the hidden
// command line "/remove-original HANDLE "ORIGINAL"" (see CommandLine.h),
// where HANDLE is an inherited handle of the original process, and ends. The
// copy waits until the original process has ended, deletes the original
// file (at the next restart when it still cannot) and registers its own file
// for deletion at the next restart. When the copy cannot be made or
// started, the original registers itself for deletion at the next restart.
//
// The hidden command line deletes nothing else: the copy deletes only a file
// named "UnSc####.exe" directly in the Windows folder whose bytes are the
// same as its own, that is another copy of this very program. Whoever starts
// it by hand can remove no other file with it.
#pragma once

#include <cstdint>
#include <string>

#include "uninstaller/FileRemoval.h"

namespace kalvorin::uninstaller {

// True for "<windowsFolder>\UnSc####.exe" (letters compared as Windows does).
bool IsSetupsUninstaller(const std::string& path, const std::string& windowsFolder);

// After a removal, by the program running from `ownPath`: nothing unless it
// is a setup's uninstaller; else the copy that removes it is started, or,
// failing that, the file is registered for deletion at the next restart.
void RemoveOwnFile(const std::string& ownPath, const RestartPlatform& platform);

// The copy's part. Exit code 0 when the original is gone (or goes at the
// restart); 3 when `originalPath` is no uninstaller of a setup or not the
// same program as `ownPath` (nothing is done); 4 when the original stays.
int RemoveOriginal(uintptr_t processHandle, const std::string& originalPath, const std::string& ownPath,
                   const RestartPlatform& platform);

}  // namespace kalvorin::uninstaller
