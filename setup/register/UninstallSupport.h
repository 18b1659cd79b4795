// Uninstall support of a finished installation: the uninstall log Unscr.log
// in the destination folder, the uninstaller program unpacked from
// _setup.spd into the Windows folder under a free name "UnSc####.exe", the
// Uninstall entry and the product value that point at both.
//
// The user may give up the log (IDS_UNINSTALL_LOG_ERROR, Cancel), and a damaged or
// unreadable _setup.spd gives no uninstaller: the installation then ends
// without uninstall support. In the second case the user is told so, the
// finish page does not speak of success, and the log is left as it was
// before the run (an earlier installation's log is put back, a new empty one
// goes).
#pragma once

#include "framework/File.h"
#include <cstdint>
#include <string>
#include <vector>

namespace kalvorin::setup {

class SetupWork;

// The whole stage, in order: a cancel point; the log opened (IDS_UNINSTALL_LOG_ERROR on
// failure, Retry without limit); the uninstaller's name chosen and the
// program unpacked (its installation errors reported as above); the
// Uninstall entry and the product value; the log written (after a last
// cancel point) and its digest recorded.
void WriteUninstallSupport(SetupWork& work);

// "<windowsFolder>\UnSc####.exe" with four random digits, drawn again while
// a file of that name exists.
std::string ChooseUninstallerPath(const std::string& windowsFolder);

// Writes `program` to a new file at `path` (exclusive, created or
// truncated). Raises (Completion, FileError) when it cannot be created.
void WriteUninstallerProgram(const std::string& path, const std::vector<uint8_t>& program);

// Writes the compressed log of the run's record to the open `log`, closes
// it and returns the bytes written. Raises (FileInstallation, CompressError
// | OutOfMemory).
std::vector<uint8_t> WriteUninstallLog(SetupWork& work, CFile& log);

}  // namespace kalvorin::setup
