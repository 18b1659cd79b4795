#include "framework/SystemLibrary.h"

namespace kalvorin {

std::string SystemFolderPath(const std::string& fileName) {
    char folder[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    std::string path(folder, length);
    if (path.back() != '\\') path += '\\';
    return path + fileName;
}

SystemLibrary::SystemLibrary(const std::string& fileName) {
    const std::string path = SystemFolderPath(fileName);
    // With a full path the file itself is loaded; the altered search path
    // resolves its own imports from its folder, the system folder.
    if (!path.empty()) module_ = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

SystemLibrary::~SystemLibrary() {
    Free();
}

SystemLibrary& SystemLibrary::operator=(SystemLibrary&& other) noexcept {
    if (this != &other) {
        Free();
        module_ = std::exchange(other.module_, nullptr);
    }
    return *this;
}

void SystemLibrary::Free() {
    if (module_ != nullptr) ::FreeLibrary(std::exchange(module_, nullptr));
}

}  // namespace kalvorin
