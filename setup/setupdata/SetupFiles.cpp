#include "setupdata/SetupFiles.h"

#include <cstdlib>

#include "framework/File.h"
#include "framework/FileSystem.h"
#include "setupdata/PathRules.h"

namespace kalvorin::setup {

std::string RandomName() {
    std::string name(8, 'a');
    for (char& c : name) c = static_cast<char>('a' + std::rand() % 26);
    return name;
}

bool GetFileSizeOf(const std::string& path, uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool CopyIntoFolder(const std::string& file, const std::string& folder, std::string* copyPath) {
    const std::string target = CheckedPath(JoinPath(folder, FileNamePart(file)));
    if (copyPath != nullptr) *copyPath = target;
    if (FileExists(target)) {
        uint64_t sourceSize = 0;
        uint64_t targetSize = 0;
        return GetFileSizeOf(file, sourceSize) && GetFileSizeOf(target, targetSize) && sourceSize == targetSize;
    }
    if (::CopyFileA(file.c_str(), target.c_str(), TRUE)) {
        // A copy from a CD-ROM keeps the medium's read-only attribute; the
        // end of the run could not delete it, nor the folder it lies in.
        const DWORD attributes = ::GetFileAttributesA(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            ::SetFileAttributesA(target.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
        }
        return true;
    }
    // A copy that broke off (a full disk) leaves no half file behind.
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) ::DeleteFileA(target.c_str());
    ::SetLastError(error);
    return false;
}

bool CreateFolderPath(const std::string& path, std::vector<std::string>* created) {
    if (path.empty()) return false;
    const std::string full = WithTrailingBackslash(path);
    size_t end = full.find('\\');
    // The drive: its root must exist.
    const std::string root = full.substr(0, end + 1);
    if (::GetDriveTypeA(root.c_str()) == DRIVE_NO_ROOT_DIR) return false;
    while ((end = full.find('\\', end + 1)) != std::string::npos) {
        const std::string level = full.substr(0, end);
        if (level.empty() || level.back() == '\\') continue;  // doubled backslash: nothing to create
        if (FolderExists(level)) continue;
        if (!::CreateDirectoryA(level.c_str(), nullptr)) return false;
        if (created != nullptr) created->push_back(level);
    }
    return true;
}

UINT ReadUpTo(CFile& file, void* buffer, UINT count) {
    UINT total = 0;
    while (total < count) {
        const UINT read = file.Read(static_cast<char*>(buffer) + total, count - total);
        if (read == 0) break;
        total += read;
    }
    return total;
}

}  // namespace kalvorin::setup
