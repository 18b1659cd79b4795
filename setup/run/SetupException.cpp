#include "run/SetupException.h"

#include "framework/MessageBox.h"
#include "framework/StringTable.h"
#include "res/resource.h"

namespace kalvorin::setup {

UINT CSetupException::PhaseStringId(int phase) {
    switch (phase) {
    case static_cast<int>(SetupPhase::Preparation):
        return IDS_PHASE_PREPARATION;
    case static_cast<int>(SetupPhase::FolderCreation):
        return IDS_PHASE_FOLDER_CREATION;
    case static_cast<int>(SetupPhase::FileInstallation):
        return IDS_PHASE_FILE_INSTALLATION;
    case static_cast<int>(SetupPhase::Completion):
        return IDS_PHASE_COMPLETION;
    default:
        return IDS_INTERNAL_ERROR;  // Internal and every unknown phase
    }
}

UINT CSetupException::CauseStringId(int cause) {
    switch (cause) {
    case static_cast<int>(SetupCause::FileNotFound):
        return IDS_FILE_NOT_FOUND;
    case static_cast<int>(SetupCause::NoTempFolder):
        return IDS_NO_TEMP_FOLDER;
    case static_cast<int>(SetupCause::FileError):
        return IDS_FILE_ERROR;
    case static_cast<int>(SetupCause::DamagedSetupFile):
        return IDS_DAMAGED_SETUP_FILE;
    case static_cast<int>(SetupCause::OutOfMemory):
        return IDS_OUT_OF_MEMORY;
    case static_cast<int>(SetupCause::DecompressError):
        return IDS_DECOMPRESS_ERROR;
    case static_cast<int>(SetupCause::InternalError):
        return IDS_INTERNAL_ERROR_CAUSE;
    case static_cast<int>(SetupCause::UnexpectedError):
        return IDS_UNEXPECTED_ERROR;
    case static_cast<int>(SetupCause::CannotCreateFolder):
        return IDS_CANNOT_CREATE_FOLDER;
    case static_cast<int>(SetupCause::CannotContinue):
        return IDS_CANNOT_CONTINUE;
    case static_cast<int>(SetupCause::CompressError):
        return IDS_COMPRESS_ERROR;
    default:
        return IDS_NO_CAUSE;  // no cause line
    }
}

CSetupException::CSetupException(int phase, int cause)
    : phaseStringId_(PhaseStringId(phase)), causeStringId_(CauseStringId(cause)) {}

bool CSetupException::ComposeMessage(std::string& message) const {
    message.clear();
    std::string phaseText;
    std::string causeText;
    if (!TryLoadStr(phaseStringId_, phaseText) || !TryLoadStr(causeStringId_, causeText)) return false;
    message = phaseText;
    if (causeStringId_ != IDS_NO_CAUSE) {
        message += '\n';
        message += causeText;
    }
    if (!subject_.empty()) {
        message += '\n';
        message += subject_;
    }
    return true;
}

int CSetupException::ShowError(UINT flags) const {
    std::string message;
    if (!ComposeMessage(message)) return -1;
    return AppMessageBox(message, flags);
}

}  // namespace kalvorin::setup
