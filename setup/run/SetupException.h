// An installation error: the phase it happened in and its cause, shown as
// two lines of German text.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "run/MyException.h"

namespace kalvorin::setup {

enum class SetupPhase : int {
    Internal = 0,
    Preparation = 1,
    FolderCreation = 2,
    FileInstallation = 3,
    Completion = 4,
};

enum class SetupCause : int {
    FileNotFound = 0,
    NoTempFolder = 1,
    FileError = 2,
    DamagedSetupFile = 3,
    OutOfMemory = 4,
    DecompressError = 5,
    InternalError = 6,
    UnexpectedError = 7,
    CannotCreateFolder = 8,
    CannotContinue = 9,
    CompressError = 10,
};

class CSetupException : public CMyException {
public:
    // Maps the codes to string ids: an unknown phase is Internal (IDS_INTERNAL_ERROR),
    // an unknown cause has no cause line (IDS_NO_CAUSE).
    CSetupException(int phase, int cause);
    CSetupException(SetupPhase phase, SetupCause cause)
        : CSetupException(static_cast<int>(phase), static_cast<int>(cause)) {}
    // With what the error concerns (a file's path), shown as a line of its own
    // after the cause.
    CSetupException(SetupPhase phase, SetupCause cause, std::string subject) : CSetupException(phase, cause) {
        subject_ = std::move(subject);
    }

    UINT phaseStringId() const { return phaseStringId_; }
    UINT causeStringId() const { return causeStringId_; }
    const std::string& subject() const { return subject_; }

    // String ids of a phase / cause code.
    static UINT PhaseStringId(int phase);
    static UINT CauseStringId(int cause);

    // The message: phase text, "\n", cause text; the phase text alone when
    // the cause id is 13; then "\n" and the subject when there is one. false
    // when a string cannot be loaded.
    bool ComposeMessage(std::string& message) const;

    // Shows the message with `flags` through AppMessageBox and returns the
    // answer; -1 (nothing shown) when a string cannot be loaded.
    virtual int ShowError(UINT flags) const;

    const char* what() const noexcept override { return "CSetupException"; }

private:
    UINT phaseStringId_;
    UINT causeStringId_;
    std::string subject_;
};

}  // namespace kalvorin::setup
