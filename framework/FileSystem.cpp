#include "framework/FileSystem.h"

#include <windows.h>

#include <cstddef>
#include <mutex>
#include <vector>

#include "framework/SystemLibrary.h"

namespace kalvorin {

bool FileExists(const std::string& path) {
    // Attributes only: nothing is opened, a file held open without sharing
    // still counts, long paths work and no search path is consulted.
    if (path.empty()) return false;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
    if (path.empty()) return false;
    // The current directory belongs to the whole process: two threads testing
    // at once must not restore each other's directory.
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    char saved[MAX_PATH + 1] = {};
    const DWORD length = ::GetCurrentDirectoryA(sizeof saved, saved);
    const bool canRestore = length > 0 && length < sizeof saved;
    const bool exists = ::SetCurrentDirectoryA(path.c_str()) != FALSE;
    if (exists && canRestore) ::SetCurrentDirectoryA(saved);
    return exists;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool RenameOpenFile(HANDLE file, const std::string& newPath, bool replace, DWORD& error) {
    // FILE_RENAME_INFO's members (the headers of the oldest target lack it).
    struct RenameInfo {
        BOOL replaceIfExists;
        HANDLE rootDirectory;
        DWORD fileNameLength;
        WCHAR fileName[1];
    };
    constexpr int kFileRenameInfo = 3;  // FILE_INFO_BY_HANDLE_CLASS
    using SetInformationFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);
    static const auto setInformation = KernelFunction<SetInformationFn>("SetFileInformationByHandle");
    if (setInformation == nullptr) {
        error = ERROR_CALL_NOT_IMPLEMENTED;
        return false;
    }
    // The system takes the name as it is: an NT path, "\??\" and the path.
    const std::string ntPath = "\\??\\" + newPath;
    const int length = ::MultiByteToWideChar(CP_ACP, 0, ntPath.c_str(), static_cast<int>(ntPath.size()), nullptr, 0);
    std::vector<char> buffer(offsetof(RenameInfo, fileName) + (static_cast<size_t>(length) + 1) * sizeof(WCHAR));
    auto* info = reinterpret_cast<RenameInfo*>(buffer.data());
    info->replaceIfExists = replace ? TRUE : FALSE;
    info->rootDirectory = nullptr;
    info->fileNameLength = static_cast<DWORD>(length) * sizeof(WCHAR);
    ::MultiByteToWideChar(CP_ACP, 0, ntPath.c_str(), static_cast<int>(ntPath.size()), info->fileName, length);
    if (setInformation(file, kFileRenameInfo, info, static_cast<DWORD>(buffer.size()))) return true;
    error = ::GetLastError();
    return false;
}

}  // namespace kalvorin
