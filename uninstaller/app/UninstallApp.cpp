#include "uninstaller/app/UninstallApp.h"

#include <windows.h>

#include "framework/App.h"
#include "framework/FileSystem.h"
#include "system/SystemInfo.h"
#include "uninstaller/LogFile.h"
#include "uninstaller/Removal.h"
#include "uninstaller/RemovalPlaces.h"
#include "uninstaller/SelfRemoval.h"
#include "uninstaller/app/Messages.h"

namespace kalvorin::uninstaller {

namespace {

// The full path of `path` (relative to the current folder); unchanged when
// the system cannot make one.
std::string FullPath(const std::string& path) {
    char buffer[MAX_PATH + 1] = {};
    char* name = nullptr;
    const DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, buffer, &name);
    if (length == 0 || length >= MAX_PATH) return path;
    return std::string(buffer, length);
}

RestartPlatform CurrentPlatform() {
    return RestartPlatform{DetectWin9x() != 0, WindowsFolder()};
}

}  // namespace

void CUninstallApp::ReportUnexpectedError() {
    if (!silent_) ShowUnexpectedError();
}

BOOL CUninstallApp::InitInstance() {
    const std::string modulePath = ModulePath();
    const CommandLine commandLine = ParseCommandLine(::GetCommandLineA(), modulePath);
    // The copy that removes the original runs unseen as well.
    silent_ = commandLine.silent || commandLine.kind == CommandLine::Kind::RemoveOriginal;
    switch (commandLine.kind) {
    case CommandLine::Kind::Remove:
        exitCode_ = Uninstall(commandLine, modulePath);
        break;
    case CommandLine::Kind::RemoveOriginal:
        exitCode_ = RemoveOriginal(commandLine.handle, commandLine.originalPath, modulePath, CurrentPlatform());
        break;
    case CommandLine::Kind::Bad:
        ShowUsage(AppName() + ".exe");
        exitCode_ = kExitBadCommandLine;
        break;
    }
    return FALSE;
}

int CUninstallApp::Uninstall(const CommandLine& commandLine, const std::string& modulePath) {
    const std::string logPath = FullPath(commandLine.logPath);
    const LogFile file = ReadLogFile(logPath);
    if (file.problem != LogFile::Problem::None) {
        if (!commandLine.silent) ShowLogProblem(file.problem, logPath);
        return kExitLogProblem;
    }
    const std::string& name = file.log.displayName;
    if (!commandLine.silent && !AskToRemove(name)) return kExitDeclined;

    const RestartPlatform platform = CurrentPlatform();
    // No folder of the installation may be this process's current folder
    // while it is removed.
    if (!platform.windowsFolder.empty()) ::SetCurrentDirectoryA(platform.windowsFolder.c_str());
    const RemovalReport report =
        RemoveInstallation(file.log, logPath, RemovalPlaces::OfThisComputer(FolderOf(logPath)), platform);
    if (!commandLine.silent) ShowResult(report, name);
    RemoveOwnFile(modulePath, platform);
    return report.Complete() ? kExitRemoved : kExitIncomplete;
}

}  // namespace kalvorin::uninstaller
