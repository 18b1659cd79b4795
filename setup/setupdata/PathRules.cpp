#include "setupdata/PathRules.h"

#include <windows.h>

#include "framework/FileException.h"

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// "..", "...", ". ." and the like: Windows drops trailing dots and blanks of
// a component, so each of these climbs out of its folder or names it.
bool IsDotComponent(const std::string& part, size_t minDots) {
    size_t dots = 0;
    for (char c : part) {
        if (c == '.') ++dots;
        else if (c != ' ') return false;
    }
    return !part.empty() && dots >= minDots;
}

}  // namespace

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
    if (path.empty()) return true;
    if (IsSeparator(path.front())) return false;  // absolute or UNC
    if (path.find(':') != std::string::npos) return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        if (IsDotComponent(path.substr(start, end - start), 2)) return false;
        start = end + 1;
    }
    return true;
}

bool IsSafeFileName(const std::string& name) {
    if (name.empty()) return false;
    if (name.find_first_of("\\/:") != std::string::npos) return false;
    return !IsDotComponent(name, 0);
}
