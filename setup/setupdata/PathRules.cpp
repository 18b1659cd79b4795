#include "setupdata/PathRules.h"

#include <windows.h>

#include "codec/InstallableName.h"
#include "framework/FileException.h"

namespace kalvorin::setup {

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '\\') return folder + name;
    return folder + '\\' + name;
}

std::string WithoutTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\') return path.substr(0, path.size() - 1);
    return path;
}

std::string WithTrailingBackslash(const std::string& path) {
    if (!path.empty() && path.back() == '\\') return path;
    return path + '\\';
}

std::string FileNamePart(const std::string& path) {
    const size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string CheckedPath(std::string path) {
    if (path.size() > kMaxPathLength) {
        throw CFileException(CFileException::badPath, ERROR_FILENAME_EXCED_RANGE, path);
    }
    return path;
}

bool IsSafeRelativePath(const std::string& path) {
    return spd::CheckFolderPath(path) == spd::NameProblem::None;
}

bool IsSafeFileName(const std::string& name) {
    return spd::CheckFileName(name) == spd::NameProblem::None;
}

}  // namespace kalvorin::setup
