#include "uninstaller/SelfRemoval.h"

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <vector>

#include "codec/InstallableName.h"
#include "framework/File.h"
#include "framework/FileSystem.h"
#include "framework/Handles.h"
#include "system/RestartSchedule.h"
#include "uninstaller/CommandLine.h"
#include "uninstaller/ExitCodes.h"

namespace kalvorin::uninstaller {

namespace {

// How long the copy waits for the original to end, and then how often it
// tries to delete the original before leaving it to the restart.
constexpr DWORD kWaitForOriginalMs = 60000;
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeleteRetryMs = 100;

std::string NameOf(const std::string& path) {
    return path.substr(path.rfind('\\') + 1);
}

// The system's temporary folder without its trailing backslash; empty when
// there is none.
std::string TempFolder() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, buffer);
    if (length == 0 || length >= MAX_PATH) return std::string();
    std::string folder(buffer, length);
    if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    return folder;
}

// "<folder>\UnSc####.exe" with four random digits, drawn while the name is taken.
std::string FreeCopyPath(const std::string& folder) {
    std::srand(static_cast<unsigned>(::GetTickCount() ^ (::GetCurrentProcessId() << 8)));
    std::string path;
    do {
        std::string digits(4, '0');
        for (char& c : digits) c = static_cast<char>('0' + std::rand() % 10);
        path = folder + "\\UnSc" + digits + ".exe";
    } while (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES);
    return path;
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone)) return std::nullopt;
    try {
        const uint64_t length = file.GetLength();
        if (length > 256ull * 1024 * 1024) return std::nullopt;
        std::vector<uint8_t> bytes(static_cast<size_t>(length));
        if (!bytes.empty()) file.ReadExact(bytes.data(), static_cast<UINT>(bytes.size()));
        return bytes;
    } catch (const CFileException&) {
        return std::nullopt;
    }
}

// Copies the program into the temporary folder and starts the copy with the
// hidden command line and an inherited handle of this process.
bool StartRemovingCopy(const std::string& ownPath) {
    const std::string temp = TempFolder();
    if (temp.empty()) return false;
    const std::string copy = FreeCopyPath(temp);
    if (!::CopyFileA(ownPath.c_str(), copy.c_str(), TRUE)) return false;

    HANDLE self = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &self, SYNCHRONIZE,
                           TRUE, 0)) {
        ::DeleteFileA(copy.c_str());
        return false;
    }
    UniqueHandle ownHandle(self);
    std::string commandLine = "\"" + copy + "\" " + kRemoveOriginalSwitch + " " +
                              std::to_string(reinterpret_cast<uintptr_t>(self)) + " \"" + ownPath + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(copy.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, temp.c_str(), &startup,
                          &info)) {
        ::DeleteFileA(copy.c_str());
        return false;
    }
    const UniqueHandle thread(info.hThread);
    const UniqueHandle process(info.hProcess);
    return true;
}

}  // namespace

bool IsSetupsUninstaller(const std::string& path, const std::string& windowsFolder) {
    if (windowsFolder.empty() || !spd::SameName(FolderOf(path), windowsFolder)) return false;
    const std::string name = spd::FoldName(NameOf(path));
    if (name.size() != 12 || name.compare(0, 4, "UNSC") != 0 || name.compare(8, 4, ".EXE") != 0) return false;
    for (size_t i = 4; i < 8; ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
    }
    return true;
}

void RemoveOwnFile(const std::string& ownPath, const RestartPlatform& platform) {
    if (!IsSetupsUninstaller(ownPath, platform.windowsFolder)) return;
    if (!StartRemovingCopy(ownPath)) DeleteAtRestart(ownPath, platform.isWin9x, platform.windowsFolder);
}

int RemoveOriginal(uintptr_t processHandle, const std::string& originalPath, const std::string& ownPath,
                   const RestartPlatform& platform) {
    if (!IsSetupsUninstaller(originalPath, platform.windowsFolder)) return kExitBadCommandLine;
    const auto original = ReadWholeFile(originalPath);
    const auto own = ReadWholeFile(ownPath);
    if (!original || !own || *original != *own) return kExitBadCommandLine;

    // A handle that this process did not inherit fails at once; the attempts
    // below still wait a while for the original to end.
    ::WaitForSingleObject(reinterpret_cast<HANDLE>(processHandle), kWaitForOriginalMs);
    bool deleted = false;
    for (int attempt = 0; attempt < kDeleteAttempts && !deleted; ++attempt) {
        if (attempt > 0) ::Sleep(kDeleteRetryMs);
        deleted = ::DeleteFileA(originalPath.c_str()) || !FileExists(originalPath);
    }
    if (!deleted) deleted = DeleteAtRestart(originalPath, platform.isWin9x, platform.windowsFolder);
    DeleteAtRestart(ownPath, platform.isWin9x, platform.windowsFolder);
    return deleted ? kExitRemoved : kExitIncomplete;
}

}  // namespace kalvorin::uninstaller
