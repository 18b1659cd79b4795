#include "ui/CompletionActions.h"

#include <windows.h>

#include <cstring>

#include "app/SetupContext.h"
#include "framework/Handles.h"

const char kDisplayPropertiesCommand[] = "rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,1";
const char kRunOnceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kRunOnceValueName[] = "Show Screensaver Properties";

void CompletionEffects::ScheduleDisplayPropertiesAtLogon() {
    RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kRunOnceKey, KEY_READ | KEY_WRITE) != ERROR_SUCCESS) return;
    // The length given is that of the text without its terminating zero.
    ::RegSetValueExA(key.Get(), kRunOnceValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(kDisplayPropertiesCommand),
                     static_cast<DWORD>(std::strlen(kDisplayPropertiesCommand)));
}

void CompletionEffects::StartDisplayProperties() {
    ::WinExec(kDisplayPropertiesCommand, SW_SHOW);
}

void CompletionEffects::Restart() {
    ::ExitWindowsEx(EWX_REBOOT, 0);
}

void RunCompletionActions(const SetupContext& context, CompletionEffects& effects) {
    const bool restart = context.rebootChosen != 0;
    const bool showProperties = context.showDisplayPropertiesChosen != 0;
    if (restart && showProperties) effects.ScheduleDisplayPropertiesAtLogon();
    else if (showProperties) effects.StartDisplayProperties();
    if (restart) effects.Restart();
}

void RunCompletionActions(const SetupContext& context) {
    CompletionEffects effects;
    RunCompletionActions(context, effects);
}
