#include "ReadOnlyFile.h"

#include <windows.h>

#include <cstdlib>

#include "Error.h"

namespace e2e {

namespace {

bool Writable(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

// Wine does not learn the exit code of a host program: the effect is
// awaited instead.
void SetImmutable(const std::string& path, bool on) {
    RunHostProgram("/usr/bin/chattr", std::string(on ? "+i" : "-i") + " \"" + HostPathOf(path) + "\"");
    for (int i = 0; i < 250 && Writable(path) == on; ++i) Sleep(20);
    if (Writable(path) == on) throw Error("chattr " + std::string(on ? "+i" : "-i") + " had no effect on " + path);
}

}  // namespace

std::string HostPathOf(const std::string& windowsPath) {
    using ToUnix = char*(CDECL*)(const WCHAR*);
    static const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix == nullptr) throw Error("not running under Wine: no host paths");
    std::wstring wide(windowsPath.size(), L'\0');
    MultiByteToWideChar(CP_ACP, 0, windowsPath.data(), static_cast<int>(windowsPath.size()), wide.data(),
                        static_cast<int>(wide.size()));
    char* unixPath = toUnix(wide.c_str());
    if (unixPath == nullptr) throw Error("no host path for " + windowsPath);
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

unsigned long RunHostProgram(const std::string& program, const std::string& arguments) {
    // "Z:" maps the host's root; Wine starts host executables directly.
    std::string application = "Z:" + program;
    for (char& c : application) {
        if (c == '/') c = '\\';
    }
    std::string commandLine = program + " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        ThrowLastError("cannot start " + program);
    }
    WaitForSingleObject(info.hProcess, 30000);
    DWORD code = 0;
    if (!GetExitCodeProcess(info.hProcess, &code)) code = 0;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return code;
}

ReadOnlyFile::ReadOnlyFile(std::string path) : path_(std::move(path)) {
    if (!SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_READONLY)) ThrowLastError("cannot make read-only: " + path_);
    SetImmutable(path_, true);
    held_ = true;
}

ReadOnlyFile::~ReadOnlyFile() {
    try {
        Release();
    } catch (...) {
    }
}

void ReadOnlyFile::Release() {
    if (!held_) return;
    held_ = false;
    SetImmutable(path_, false);
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace e2e
