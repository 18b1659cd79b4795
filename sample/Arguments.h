// The command line Windows gives a screensaver:
//   /s            run full screen
//   /p <hwnd>     draw the preview into the window <hwnd> (also "/p:<hwnd>")
//   /c[:<hwnd>]   show the settings, owned by <hwnd> when given
//   (nothing)     show the settings
//   /a <hwnd>     change the password (Windows 9x); this screensaver has none
// Options may start with '-' instead of '/', in either letter case.
#pragma once

#include <cstdint>
#include <string>

namespace kalvorin_sample {

enum class Mode { FullScreen, Preview, Configure, ChangePassword, Invalid };

struct Arguments {
    Mode mode = Mode::Configure;
    std::uintptr_t window = 0;  // the parent window of /p, /c and /a; 0 when none
};

// Parses the command line without the program name.
Arguments ParseArguments(const std::string& commandLine);

}  // namespace kalvorin_sample
