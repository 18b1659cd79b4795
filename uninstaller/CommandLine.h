// The uninstaller's command lines, as a setup writes them:
//
//   UnSc0417.exe "C:\Programme\Kalvorin\Unscr.log"      asks, then reports
//   UnSc0417.exe "C:\Programme\Kalvorin\Unscr.log" s    silent (a newer setup)
//
// and the hidden one by which the uninstaller's copy in the temporary folder
// removes the original once it has ended (see SelfRemoval.h):
//
//   UnSc1234.exe /remove-original HANDLE "C:\WINDOWS\UnSc0417.exe"
//
// Arguments are separated by blanks or tabs; an argument in double quotation
// marks runs to the next one (paths hold no quotation marks). The log's path
// may also come without quotation marks when it holds no blank.
#pragma once

#include <cstdint>
#include <string>

namespace kalvorin::uninstaller {

extern const char kRemoveOriginalSwitch[];  // "/remove-original"

struct CommandLine {
    enum class Kind { Remove, RemoveOriginal, Bad };

    Kind kind = Kind::Bad;
    std::string logPath;       // Remove: the log as given
    bool silent = false;       // Remove: the trailing "s" (or "S")
    uintptr_t handle = 0;      // RemoveOriginal: the original's process handle, inherited
    std::string originalPath;  // RemoveOriginal: the original program file
};

// Parses a whole command line as GetCommandLineA returns it. The program
// comes first, in quotation marks or not; an unquoted program path with
// blanks in it is recognised when it is `modulePath`.
CommandLine ParseCommandLine(const std::string& commandLine, const std::string& modulePath);

}  // namespace kalvorin::uninstaller
