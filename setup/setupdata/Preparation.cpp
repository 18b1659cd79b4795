#include "setupdata/Preparation.h"

#include <windows.h>

#include "codec/VolumeName.h"
#include "framework/FileSystem.h"
#include "framework/Handles.h"
#include "run/SetupException.h"
#include "run/SetupWork.h"
#include "run/WorkerOps.h"
#include "setupdata/HeaderCheck.h"
#include "setupdata/PathRules.h"
#include "setupdata/SetupFiles.h"
#include "system/SystemInfo.h"

namespace kalvorin::setup {

namespace {

constexpr DWORD kPathBuffer = 260;

[[noreturn]] void Fail(SetupCause cause) {
    throw CSetupException(SetupPhase::Preparation, cause);
}

// The Windows or system folder; UnexpectedError when the system reports
// none or one longer than a path may be.
std::string Required(std::string folder) {
    if (folder.empty()) Fail(SetupCause::UnexpectedError);
    return folder;
}

std::string CommonFilesFolder() {
    RegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kCurrentVersionKey, KEY_READ) != ERROR_SUCCESS) {
        Fail(SetupCause::UnexpectedError);
    }
    char buffer[kPathBuffer + 1] = {};
    DWORD size = kPathBuffer;
    DWORD type = 0;
    if (::RegQueryValueExA(key.Get(), "CommonFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS) {
        Fail(SetupCause::UnexpectedError);
    }
    return std::string(buffer);  // up to the terminator, which the value may lack
}

}  // namespace

void RunPreparation(SetupWork& work, const std::function<void(SetupWork&)>& previousInstallation) {
    SetSourceFolder(work);
    CreateTempFolder(work);
    ResolveBaseFolders(work);
    CheckDataFilesPresent(work);
    work.header = ValidateSetupHeader(work.dataFiles[1]);
    if (previousInstallation) previousInstallation(work);
    SetProgressStep(work.sync, PreparationStep(work.header.volumeCount));
    CopyDataFiles(work);
}

void SetSourceFolder(SetupWork& work) {
    work.sourceFolder = WithTrailingBackslash(work.context.moduleFolder);
    work.dataFiles = {CheckedPath(work.sourceFolder + spd::kPackedProgramFile),
                      CheckedPath(work.sourceFolder + spd::kSetupDataFile)};
}

void CreateTempFolder(SetupWork& work) {
    char buffer[kPathBuffer + 1] = {};
    const DWORD length = ::GetTempPathA(kPathBuffer, buffer);
    if (length == 0 || length >= kPathBuffer) Fail(SetupCause::NoTempFolder);
    const std::string tempPath = WithTrailingBackslash(std::string(buffer, length));

    std::string folder;
    do {
        folder = tempPath + RandomName();
    } while (FolderExists(folder));
    if (folder.size() > kMaxPathLength || !::CreateDirectoryA(folder.c_str(), nullptr)) {
        Fail(SetupCause::NoTempFolder);
    }
    work.record.AddTempFolder(folder);
    work.tempFolder = folder + '\\';
}

void ResolveBaseFolders(SetupWork& work) {
    BaseFolderMap& folders = work.baseFolders;
    folders.Set(spd::FolderKind::Windows, Required(WindowsFolder()));
    folders.Set(spd::FolderKind::System, Required(SystemFolder()));
    folders.Set(spd::FolderKind::ProgramFiles, work.context.programFilesFolder);
    folders.Set(spd::FolderKind::CommonFiles, CommonFilesFolder());
    folders.Set(spd::FolderKind::Destination, work.context.destination);
}

void CheckDataFilesPresent(SetupWork& work) {
    for (const std::string& file : work.dataFiles) {
        work.CancelPoint();
        if (!FileExists(file)) Fail(SetupCause::FileNotFound);
    }
}

int PreparationStep(unsigned volumeCount) {
    const unsigned extra = volumeCount > 1 ? 1 : 0;
    return static_cast<int>(100000 / (volumeCount + extra + 2));
}

void CopyDataFiles(SetupWork& work) {
    for (size_t i = 0; i < work.dataFiles.size(); ++i) {
        work.CancelPoint();
        std::string copy;
        if (!CopyIntoFolder(work.dataFiles[i], work.tempFolder, &copy)) Fail(SetupCause::FileError);
        work.record.AddTempFile(copy);
        if (i == 0)
            work.packedProgramCopy = copy;
        else
            work.volumeCopies.push_back(copy);
        StepProgress(work.sync);
    }
}

}  // namespace kalvorin::setup
