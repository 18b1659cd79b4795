#include "register/CompletionActions.h"

#include <windows.h>

#include "context/SetupContext.h"
#include "framework/Handles.h"
#include "framework/MessageBox.h"
#include "framework/Privileges.h"
#include "framework/SystemLibrary.h"
#include "res/resource.h"
#include "system/RegistryValues.h"

namespace kalvorin::setup {

const char kDisplayPropertiesCommand[] = "rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,1";
const char kRunOnceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kRunOnceValueName[] = "Show Screensaver Properties";

void CompletionEffects::ScheduleDisplayPropertiesAtLogon() {
    RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kRunOnceKey, KEY_READ | KEY_WRITE) != ERROR_SUCCESS) return;
    // Stored without a terminating zero.
    SetStringValue(key.Get(), kRunOnceValueName, kDisplayPropertiesCommand);
}

std::string DisplayPropertiesCommandLine() {
    // A bare "rundll32.exe" would be looked for in the setup program's own
    // folder and in the current folder before the system folder: a program
    // of that name on the disk or in the download folder would run with the
    // setup's rights.
    std::string program = SystemFolderPath("rundll32.exe");
    if (program.empty()) return std::string();
    if (program.find(' ') != std::string::npos) program = "\"" + program + "\"";
    const std::string command = kDisplayPropertiesCommand;
    return program + command.substr(command.find(' '));
}

void CompletionEffects::StartDisplayProperties() {
    const std::string command = DisplayPropertiesCommandLine();
    if (!command.empty()) ::WinExec(command.c_str(), SW_SHOW);
}

bool CompletionEffects::Restart() {
    // The NT family restarts only for a process that has enabled the
    // shutdown privilege; the 9x family has no tokens and asks for none.
    EnablePrivilege(SE_SHUTDOWN_NAME);
    // Tests of the whole program ask for the restart through a file named
    // in this variable instead of restarting the machine they run on.
    char log[MAX_PATH + 1] = {};
    const DWORD length = ::GetEnvironmentVariableA("KALVORIN_RESTART_LOG", log, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        const UniqueHandle file(::CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        return file && ::WriteFile(file.Get(), "ExitWindowsEx EWX_REBOOT\r\n", 26, &written, nullptr) && written == 26;
    }
    return ::ExitWindowsEx(EWX_REBOOT, 0) != FALSE;
}

void RunCompletionActions(const SetupContext& context, CompletionEffects& effects) {
    const bool restart = context.rebootChosen != 0;
    const bool showProperties = context.showDisplayPropertiesChosen != 0;
    if (restart && showProperties)
        effects.ScheduleDisplayPropertiesAtLogon();
    else if (showProperties)
        effects.StartDisplayProperties();
    // Files wait for the restart: when it is refused, the user must know.
    if (restart && !effects.Restart()) AppMessageBoxId(IDS_RESTART_FAILED, MB_OK | MB_ICONEXCLAMATION);
}

void RunCompletionActions(const SetupContext& context) {
    CompletionEffects effects;
    RunCompletionActions(context, effects);
}

}  // namespace kalvorin::setup
