#include "uninstaller/FileRemoval.h"

#include <windows.h>

#include "framework/Handles.h"
#include "system/RestartSchedule.h"

namespace kalvorin::uninstaller {

namespace {

bool IsGone(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsInUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

}  // namespace

FileOutcome RemoveFileNowOrAtRestart(const std::string& path, const RestartPlatform& platform) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (IsGone(::GetLastError())) return FileOutcome::Removed;
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return FileOutcome::Failed;
    }
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) ::SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);

    if (::DeleteFileA(path.c_str())) return FileOutcome::Removed;
    const DWORD error = ::GetLastError();
    if (IsGone(error)) return FileOutcome::Removed;
    if (IsInUse(error) && DeleteAtRestart(path, platform.isWin9x, platform.windowsFolder)) {
        return FileOutcome::AtRestart;
    }
    if (readOnly) ::SetFileAttributesA(path.c_str(), attributes);
    return FileOutcome::Failed;
}

FolderOutcome RemoveEmptyFolder(const std::string& path) {
    if (::RemoveDirectoryA(path.c_str())) return FolderOutcome::Removed;
    const DWORD error = ::GetLastError();
    if (IsGone(error)) return FolderOutcome::Removed;
    if (error == ERROR_DIR_NOT_EMPTY) return FolderOutcome::NotEmpty;
    // Some systems report a folder that still holds files as access denied or
    // the like: a folder with entries is not empty, whatever the error says.
    WIN32_FIND_DATAA found;
    const FindHandle search(::FindFirstFileA((path + "\\*").c_str(), &found));
    if (!search) return FolderOutcome::Failed;
    bool empty = true;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") empty = false;
    } while (empty && ::FindNextFileA(search.Get(), &found));
    return empty ? FolderOutcome::Failed : FolderOutcome::NotEmpty;
}

}  // namespace kalvorin::uninstaller
