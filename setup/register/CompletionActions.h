// What closing the dialog after a completed installation does with the
// user's two choices (restart now, show the display properties).
#pragma once

#include <string>

namespace kalvorin::setup {

class SetupContext;

// The three effects, replaceable in tests.
class CompletionEffects {
public:
    virtual ~CompletionEffects() = default;
    // RunOnce value "Show Screensaver Properties" in HKEY_LOCAL_MACHINE.
    virtual void ScheduleDisplayPropertiesAtLogon();
    // Starts the display properties at once.
    virtual void StartDisplayProperties();
    // Asks Windows to restart, after enabling the shutdown privilege; false
    // when Windows refuses.
    virtual bool Restart();
};

// The command that opens the display properties on the screensaver tab, as
// the RunOnce value holds it (the shell runs it at the next logon).
extern const char kDisplayPropertiesCommand[];
// The same command started at once: rundll32.exe named by its full path in
// the system folder (in quotation marks when it holds a blank). Empty when
// the system folder is not known.
std::string DisplayPropertiesCommandLine();
// Below HKEY_LOCAL_MACHINE.
extern const char kRunOnceKey[];
extern const char kRunOnceValueName[];

// Both choices: the display properties at the next logon, then the restart.
// Only the display properties: shown at once. Restart alone: the restart.
// Neither: nothing. A refused restart is reported (IDS_RESTART_FAILED: the
// files wait, restart by hand); nothing else is, whatever fails.
void RunCompletionActions(const SetupContext& context, CompletionEffects& effects);
void RunCompletionActions(const SetupContext& context);

}  // namespace kalvorin::setup
