#include "app/SetupApp.h"

#include "app/Startup.h"
#include "context/SetupContext.h"
#include "framework/MessageBox.h"
#include "res/resource.h"
#include "run/DiskPrompt.h"
#include "ui/DiskPromptDlg.h"
#include "ui/SetupDlg.h"
#include "worker/InstallSession.h"

namespace kalvorin::setup {

namespace {

void ShowCannotInitialize() {
    AppMessageBoxId(IDS_CANNOT_INITIALIZE, MB_ICONSTOP | MB_OK);
}

}  // namespace

std::string CSetupApp::ModuleFilePath() const {
    char path[MAX_PATH] = {};  // 260 characters
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : MAX_PATH);
}

BOOL CSetupApp::InitInstance() {
    // An empty floppy or CD-ROM drive is reported to the program, which asks
    // for the disk with its own prompt, instead of to the user in the
    // system's box.
    ::SetErrorMode(SEM_FAILCRITICALERRORS);
    // The worker asks for a missing disk through the dialog of the user
    // interface.
    static DiskPromptDialog diskPrompt;
    SetDiskPrompt(&diskPrompt);
    if (Initialize()) RunMainDialog();
    // No message loop of the application itself: the framework goes on to
    // ExitInstance, whose 0 is the exit code.
    return FALSE;
}

void CSetupApp::ReportUnexpectedError() {
    AppMessageBoxId(IDS_UNEXPECTED_ERROR, MB_ICONSTOP | MB_OK);
}

int CSetupApp::ExitInstance() {
    if (context_ != nullptr) {
        context_ = nullptr;
        ReleaseSetupContext();
    }
    return 0;
}

bool CSetupApp::Initialize() {
    context_ = AcquireSetupContext();
    SetupContext& context = *context_;

    context.isWin9x = DetectWin9x();
    context.languageId = DetectLanguageId();
    context.moduleFolder = ModuleFolderFromPath(ModuleFilePath());

    const std::optional<StartupHeaderInfo> header = ReadStartupHeader(context.moduleFolder);
    if (!header) {
        ShowCannotInitialize();
        return false;
    }
    context.displayName = header->displayName;

    const std::optional<std::string> programFiles = ReadProgramFilesFolder();
    if (!programFiles) {
        ShowCannotInitialize();
        return false;
    }
    context.programFilesFolder = *programFiles;
    context.defaultDestination = MakeDefaultDestination(context.programFilesFolder, header->defaultSubfolder);
    return true;
}

void CSetupApp::RunMainDialog() {
    // The installation session, which the dialog starts on Install, and the
    // main dialog: template IDD_SETUP, no parent; owner of every message box.
    InstallSession session;
    CSetupDlg dialog(session);
    SetMainDialog(&dialog);
    dialog.DoModal();
    // A worker that reported Completed may still be deleting its temporary
    // files: the process ends only after its done event and its end.
    session.WaitForEnd();
    SetMainDialog(nullptr);
}

}  // namespace kalvorin::setup
