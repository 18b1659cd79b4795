// An earlier installation of the same screensaver: its product value below
// "Software\Brisvane Screensaver" (named by the display name in upper case)
// holds the command line that removes it. The user may run it first.
#pragma once

#include <string>

namespace kalvorin::setup {

class SetupWork;

// The removal command of an earlier installation of `displayName`, or empty
// when there is none (no key, no value, or more than 1000 bytes of data).
std::string PreviousRemovalCommand(const std::string& displayName);

// When there is an earlier installation, IDS_PREVIOUS_INSTALLATION (Yes, No,
// Cancel).
// Yes starts its removal command and waits until it has ended (a command
// that cannot be started is passed over silently); No goes on; Cancel ends
// the run silently (CSilentAbort).
void RemovePreviousInstallation(SetupWork& work);

}  // namespace kalvorin::setup
