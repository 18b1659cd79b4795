#include "register/PreviousInstallation.h"

#include <windows.h>

#include <vector>

#include "framework/Handles.h"
#include "register/RegistryEntries.h"
#include "res/resource.h"
#include "run/AskUser.h"
#include "run/MyException.h"
#include "run/SetupWork.h"

namespace kalvorin::setup {

namespace {

constexpr DWORD kCommandBuffer = 1000;
constexpr UINT kQuestion = MB_YESNOCANCEL | MB_ICONEXCLAMATION;

// Starts `command` as it stands and waits for it to end, with the wait
// cursor meanwhile.
void RunAndWait(std::string command) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return;
    }
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
    const HCURSOR previous = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::SetCursor(previous);
}

}  // namespace

std::string PreviousRemovalCommand(const std::string& displayName) {
    RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kProductRootKey, KEY_READ) != ERROR_SUCCESS) return std::string();
    char data[kCommandBuffer] = {};
    DWORD size = kCommandBuffer;
    if (::RegQueryValueExA(key.Get(), ProductValueName(displayName).c_str(), nullptr, nullptr,
                           reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS) {
        return std::string();
    }
    std::string command(data, size);
    // The data up to the returned length; a terminating zero is no part of it.
    const size_t zero = command.find('\0');
    if (zero != std::string::npos) command.resize(zero);
    return command;
}

void RemovePreviousInstallation(SetupWork& work) {
    const std::string command = PreviousRemovalCommand(work.header.displayName);
    if (command.empty()) return;
    switch (AskUser(static_cast<UINT>(IDS_PREVIOUS_INSTALLATION), kQuestion)) {
    case IDYES:
        RunAndWait(command);
        break;
    case IDCANCEL:
        throw CSilentAbort();
    default:
        break;
    }
}

}  // namespace kalvorin::setup
