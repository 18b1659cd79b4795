// Putting one extracted file in place, or keeping the existing one.
//
// Installation step: the extracted file is copied into the target's folder
// under a temporary name and renamed over the target, so that a setup killed
// during the copy never leaves the target cut short. An earlier file at the
// target is first copied into the private temporary folder, so that a failed
// run can put it back byte for byte. When the
// target exists but cannot be written now (in use by another program,
// read-only, access denied), a second copy waits in the system temporary
// folder for the next start of Windows, which moves it over the target.
// Any other failure (a missing folder, a full disk) is a file error naming
// the target: a restart would not bring the file.
#pragma once

#include <cstdint>
#include <string>

namespace kalvorin::setup {

class SetupWork;

// After a cancel point: copies `extractedPath` over `targetPath` as above and
// records the target in installedFiles (also when it waits for the restart),
// then steps the progress bar. Raises (FileInstallation, FileError) when the
// restart copy cannot be made, and CFileException for the other failures.
void InstallStep(SetupWork& work, const std::string& extractedPath, const std::string& targetPath);

// The existing file stays: a shared one is recorded in keptSharedFiles; the
// progress bar steps.
void KeepStep(SetupWork& work, const std::string& targetPath, uint8_t flags);

// Copies the earlier file at `targetPath` into the private temporary folder
// and records the pair, so that a failed run can put it back; true when it
// was copied. A file that cannot be read now (in use) is not copied; any
// other failure throws CFileException naming the target.
bool KeepEarlierFile(SetupWork& work, const std::string& targetPath);

// True for the Win32 errors of a copy over an existing file that a restart
// can resolve: the file is in use, locked, read-only or denied now.
bool IsInUseError(unsigned long error);

}  // namespace kalvorin::setup
