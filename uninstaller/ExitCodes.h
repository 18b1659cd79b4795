// Exit codes of the uninstaller.
#pragma once

namespace kalvorin::uninstaller {

constexpr int kExitRemoved = 0;         // removed; files in use go at the next restart
constexpr int kExitLogProblem = 1;      // the log is missing, unreadable or damaged: nothing removed
constexpr int kExitDeclined = 2;        // the user answered No: nothing removed
constexpr int kExitBadCommandLine = 3;  // no log named, or arguments it does not know
constexpr int kExitIncomplete = 4;      // removed, but records were skipped or something could not be removed
constexpr int kExitUnexpected = 5;      // an unexpected error ended the run; what was removed until then stays removed

}  // namespace kalvorin::uninstaller
