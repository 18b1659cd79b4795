#include "ReadOnlyFile.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "Error.h"
#include "TestFolder.h"
#include "Text.h"
#include "Wait.h"

namespace e2e {

namespace {

bool Writable(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

void SetImmutable(const std::string& path, bool on) {
    const std::string change = std::string(on ? "+i" : "-i");
    const unsigned long code = RunHostProgram("/usr/bin/chattr", change + " \"" + HostPathOf(path) + "\"");
    if (code != 0 || Writable(path) == on) throw Error("chattr " + change + " had no effect on " + path);
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
    // Wine gives no process handle to wait on for a host program, nor its
    // exit code. The program runs under a shell that writes its exit code
    // to a status file, renamed into place once written; the status file is
    // awaited.
    static std::atomic<unsigned> runs{0};
    const std::string status =
        "/tmp/kalvorin-host-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs);
    const std::string script =
        program + " " + arguments + "; echo $? > " + status + ".part && mv " + status + ".part " + status;
    std::string commandLine = "/bin/sh -c \"";
    for (char c : script) {
        if (c == '"') commandLine += '\\';
        commandLine += c;
    }
    commandLine += '"';
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA("Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        ThrowLastError("cannot start " + program);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    const std::string statusFile = HostPathToWine(status);
    const auto text = Poll(60000, [&] { return ReadFileBytes(statusFile); });
    if (!text) ThrowStalled(program + " " + arguments + " did not end within 60 s");
    DeleteFileA(statusFile.c_str());
    return std::strtoul(text->c_str(), nullptr, 10);
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
