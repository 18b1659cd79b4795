// The uninstaller's application object: reads its command line, removes the
// installation its log names (asking first unless silent), reports, removes
// its own file, and ends with one of the exit codes of ExitCodes.h.
#pragma once

#include <string>

#include "framework/App.h"
#include "uninstaller/CommandLine.h"
#include "uninstaller/ExitCodes.h"

namespace kalvorin::uninstaller {

class CUninstallApp : public CApp {
public:
    // Does all the work; always returns FALSE (there is no window to run).
    BOOL InitInstance() override;
    // The exit code of the work done in InitInstance; kExitUnexpected after
    // an exception reached the program's edge.
    int ExitInstance() override { return EndedByUnexpectedError() ? kExitUnexpected : exitCode_; }
    // The message for an unexpected error, unless the run is silent.
    void ReportUnexpectedError() override;

private:
    int Uninstall(const CommandLine& commandLine, const std::string& modulePath);

    int exitCode_ = kExitBadCommandLine;
    bool silent_ = false;
};

}  // namespace kalvorin::uninstaller
