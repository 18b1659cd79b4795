#include "app/SetupApp.h"

#include "app/SetupContext.h"
#include "app/Startup.h"
#include "framework/MessageBox.h"
#include "res/resource.h"

namespace {

std::string ModulePath() {
    char path[MAX_PATH] = {};  // 260 characters
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : MAX_PATH);
}

void ShowCannotInitialize() {
    AppMessageBoxId(IDS_CANNOT_INITIALIZE, MB_ICONSTOP | MB_OK);
}

}  // namespace

BOOL CSetupApp::InitInstance() {
    if (Initialize()) RunMainDialog();
    // No message loop of the application itself: the framework goes on to
    // ExitInstance, whose 0 is the exit code.
    return FALSE;
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
    context.moduleFolder = ModuleFolderFromPath(ModulePath());

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
    // ---- MAIN DIALOG HOOK -------------------------------------------------
    // Step 9 of start-up: create CSetupDlg (template 102, no parent), make it
    // the main dialog and run it modally; its result is not used:
    //
    //     CSetupDlg dialog;
    //     SetMainDialog(&dialog);
    //     dialog.DoModal();
    //     SetMainDialog(nullptr);
    //
    // Until the main dialog exists, start-up ends here.
    // -----------------------------------------------------------------------
}
