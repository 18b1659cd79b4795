// What the uninstaller says, through the framework's message box (caption:
// the program's file name without extension). Texts come from its own
// string table (res/uninstaller.rc).
#pragma once

#include <string>

#include "uninstaller/LogFile.h"
#include "uninstaller/Removal.h"

namespace kalvorin::uninstaller {

// The question before anything is removed (Yes/No, question icon); true for Yes.
bool AskToRemove(const std::string& displayName);

// The result: "... wurde von Ihrem Computer entfernt." (information icon),
// or "... wurde nicht vollständig entfernt." (exclamation icon) when records
// were skipped or something failed, each followed by a line per note that
// applies (skipped records, failures, files left for the restart).
void ShowResult(const RemovalReport& report, const std::string& displayName);
std::string ResultText(const RemovalReport& report, const std::string& displayName);

// The log cannot be used (stop icon).
void ShowLogProblem(LogFile::Problem problem, const std::string& logPath);

// The command line names no log, or holds arguments it does not know (stop icon).
void ShowUsage(const std::string& programName);

// An exception stopped at the program's edge (stop icon).
void ShowUnexpectedError();

}  // namespace kalvorin::uninstaller
