// Removing one file or one folder of an installation.
#pragma once

#include <string>

namespace kalvorin::uninstaller {

// Where the next restart's work is registered: the NT family takes delayed
// deletions, the 9x family reads wininit.ini in the Windows folder.
struct RestartPlatform {
    bool isWin9x = false;
    std::string windowsFolder;
};

enum class FileOutcome { Removed, AtRestart, Failed };

// Deletes the file `path`, after clearing a read-only attribute. A file that
// is already gone counts as removed. A file in use (the deletion fails with a
// sharing or lock violation or access denied) is deleted at the next restart
// instead; Failed when that cannot be registered either, or when the
// deletion fails for another reason (then a cleared read-only attribute is
// set again). A folder of that name is not touched: Failed.
FileOutcome RemoveFileNowOrAtRestart(const std::string& path, const RestartPlatform& platform);

enum class FolderOutcome { Removed, NotEmpty, Failed };

// Removes the folder `path` when it is empty; one that is already gone counts
// as removed.
FolderOutcome RemoveEmptyFolder(const std::string& path);

}  // namespace kalvorin::uninstaller
