// The setup program's application object.
#pragma once

#include <string>

#include "framework/App.h"

namespace kalvorin::setup {

class SetupContext;

class CSetupApp : public CApp {
public:
    // Start-up: leaves critical errors (no disk in a drive) to the program,
    // gathers the environment into SetupContext, reads the setup data header,
    // runs the main dialog. Always returns FALSE.
    BOOL InitInstance() override;
    // Releases the hold on SetupContext; returns 0.
    int ExitInstance() override;
    // String 72 "Ein unerwarteter Fehler ist aufgetreten." with the stop icon.
    void ReportUnexpectedError() override;

    SetupContext* Context() const { return context_; }

protected:
    // Full path of the running executable (at most 260 characters); tests
    // point start-up at a folder of their own through this.
    virtual std::string ModuleFilePath() const;
    // Step 9 of start-up: runs the main dialog modally.
    virtual void RunMainDialog();

private:
    // Start-up up to the main dialog; false after IDS_CANNOT_INITIALIZE was shown.
    bool Initialize();

    SetupContext* context_ = nullptr;
};

}  // namespace kalvorin::setup
