// The process-wide record of the environment and the user's choices, shared
// by the user-interface thread and the worker thread.
#pragma once

#include <cstdint>
#include <string>

namespace kalvorin::setup {

// installState before the installation starts.
constexpr int32_t kInstallNotStarted = -1;

class SetupContext {
public:
    SetupContext() = default;
    virtual ~SetupContext() = default;
    SetupContext(const SetupContext&) = delete;
    SetupContext& operator=(const SetupContext&) = delete;

    std::string defaultDestination;             // Program Files + "\" + default subfolder, or empty
    int32_t isWin9x = 0;                        // 1 on the Windows 95/98/Me family
    int32_t rebootChosen = 0;                   // finish page: restart now
    int32_t showDisplayPropertiesChosen = 0;    // finish page: show display properties
    int32_t installState = kInstallNotStarted;  // last status code the dialog received
    std::string uninstallerPath;                // full path of the uninstaller once written
    int32_t uninstallerMissing = 0;             // the uninstaller could not be set up (_setup.spd damaged)
    int32_t rebootRequired = 0;                 // a file waits for the next start of Windows
    std::string destination;                    // destination folder confirmed at Install
    std::string displayName;                    // from the setup data header
    std::string moduleFolder;                   // folder of setup.exe, no trailing backslash
    uint16_t languageId = 0;                    // primary language of the user default language
    std::string programFilesFolder;             // registry value "ProgramFilesDir"
};

// Returns the one SetupContext, creating it on first use, and adds one to its
// use count (interlocked). Callable from any thread.
SetupContext* AcquireSetupContext();

// Subtracts one from the use count (never below 0); the release that leaves
// the count at 0 destroys the instance. In the program no acquire follows the
// last release; should one come anyway (tests do this), it creates a fresh,
// default-constructed instance.
void ReleaseSetupContext();

// The current use count (for tests and diagnostics).
long SetupContextUseCount();

// Pairs AcquireSetupContext / ReleaseSetupContext for one scope.
class SetupContextHold {
public:
    SetupContextHold() : context_(AcquireSetupContext()) {}
    ~SetupContextHold() { ReleaseSetupContext(); }
    SetupContextHold(const SetupContextHold&) = delete;
    SetupContextHold& operator=(const SetupContextHold&) = delete;
    SetupContext* operator->() const { return context_; }
    SetupContext& operator*() const { return *context_; }
    SetupContext* Get() const { return context_; }

private:
    SetupContext* context_;
};

}  // namespace kalvorin::setup
