#include "framework/FileSystem.h"

#include <windows.h>

#include <mutex>

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

}  // namespace kalvorin
