#include "TestFolder.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>
#include <type_traits>

#include "Error.h"
#include "Text.h"

namespace e2e {

namespace {

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

UniqueHandle Open(const std::string& path, DWORD access, DWORD disposition) {
    HANDLE h = CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ThrowLastError("cannot open " + path);
    }
    return UniqueHandle(h);
}

}  // namespace

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string full = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

std::vector<std::string> FolderEntries(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

TestFolder::TestFolder(const std::string& name, const std::string& parent) : path_(parent + "\\" + name) {
    CreateDirectoryA(parent.c_str(), nullptr);
    RemoveTree(path_);
    if (!CreateDirectoryA(path_.c_str(), nullptr)) {
        ThrowLastError("cannot create " + path_);
    }
}

void TestFolder::Write(const std::string& name, const std::string& bytes) const {
    const UniqueHandle file = Open(FilePath(name), GENERIC_WRITE, CREATE_ALWAYS);
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        ThrowLastError("cannot write " + FilePath(name));
    }
}

void TestFolder::CopyIn(const std::string& source, const std::string& name) const {
    if (!CopyFileA(source.c_str(), FilePath(name).c_str(), FALSE)) {
        ThrowLastError("cannot copy " + source + " to " + FilePath(name));
    }
}

bool TestFolder::Exists(const std::string& name) const {
    return GetFileAttributesA(FilePath(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string TestFolder::Read(const std::string& name) const {
    const UniqueHandle file = Open(FilePath(name), GENERIC_READ, OPEN_EXISTING);
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    return bytes;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void TestFolder::MakeFilesReadOnly() const {
    for (const std::string& name : FolderEntries(path_)) {
        const DWORD attributes = GetFileAttributesA(FilePath(name).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            continue;
        }
        if (!SetFileAttributesA(FilePath(name).c_str(), attributes | FILE_ATTRIBUTE_READONLY)) {
            ThrowLastError("cannot make " + FilePath(name) + " read-only");
        }
    }
}

std::string SetupExePath() {
    const std::string path = GetEnv("KALVORIN_SETUP_EXE");
    if (path.empty()) {
        throw Error("KALVORIN_SETUP_EXE is not set");
    }
    return HostPathToWine(path);
}

std::string UninstallerExePath() {
    const std::string path = GetEnv("KALVORIN_UNINSTALLER");
    if (path.empty()) {
        throw Error("KALVORIN_UNINSTALLER is not set");
    }
    return HostPathToWine(path);
}

std::string OwnFolder() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of('\\'));
}

}  // namespace e2e
