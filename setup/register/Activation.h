// Making the installed screensaver the active one through the display
// control panel's export "InstallScreenSaver". The control panel is loaded
// from the system folder by its full path only: a desk.cpl beside the setup
// program or in the current folder is never loaded.
#pragma once

#include <string>

namespace kalvorin::setup {

// Calls desk.cpl's InstallScreenSaver with no window, the program's instance,
// `screensaverPath` (long form, unquoted) and SW_SHOW. Skipped when the
// path is empty, the library cannot be loaded or lacks the export. Never
// fails visibly.
void ActivateScreensaver(const std::string& screensaverPath);

}  // namespace kalvorin::setup
