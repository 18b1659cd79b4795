#include "register/UninstallSupport.h"

#include <windows.h>

#include <cstdlib>
#include <new>

#include "codec/FolderKind.h"
#include "codec/UninstallLog.h"
#include "framework/File.h"
#include "framework/FileSystem.h"
#include "framework/Format.h"
#include "install/FileCopy.h"
#include "register/RegistryEntries.h"
#include "res/resource.h"
#include "run/AskUser.h"
#include "run/InstallRecord.h"
#include "run/SetupException.h"
#include "run/SetupWork.h"
#include "setupdata/Catalog.h"
#include "setupdata/PathRules.h"

namespace kalvorin::setup {

namespace {

constexpr UINT kLogQuestion = MB_RETRYCANCEL | MB_ICONEXCLAMATION;

// Opens the log for reading and writing, exclusively, created or truncated;
// IDS_UNINSTALL_LOG_ERROR while that fails. False when the user gives up.
bool OpenLog(SetupWork& work, CFile& log, const std::string& path) {
    bool kept = false;
    for (;;) {
        // An earlier log (of an installation into the same folder) is kept
        // before it is truncated, so that a failed run puts it back.
        if (!kept && FileExists(path)) kept = KeepEarlierFile(work, path);
        if (log.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive)) {
            work.record.AddInstalledFile(path);
            return true;
        }
        if (AskUser(FormatStringId(IDS_UNINSTALL_LOG_ERROR, {path}), kLogQuestion) != IDRETRY) return false;
    }
}

// Without an uninstaller the new log stays empty, so the log is left as it
// was before the run: an earlier installation's log comes back (that
// installation can still be removed), else the empty one goes.
void LeaveLogAsItWas(SetupWork& work, const std::string& logPath) {
    const auto& replaced = work.record.replacedFiles();
    for (auto it = replaced.rbegin(); it != replaced.rend(); ++it) {
        if (PendingReplacementTarget(*it) == logPath) {
            ::CopyFileA(PendingReplacementCopy(*it).c_str(), logPath.c_str(), FALSE);
            return;
        }
    }
    ::DeleteFileA(logPath.c_str());
}

}  // namespace

std::string ChooseUninstallerPath(const std::string& windowsFolder) {
    std::string path;
    do {
        std::string digits(4, '0');
        for (char& c : digits) c = static_cast<char>('0' + std::rand() % 10);
        path = windowsFolder + "\\UnSc" + digits + ".exe";
    } while (FileExists(path));
    return path;
}

void WriteUninstallerProgram(const std::string& path, const std::vector<uint8_t>& program) {
    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive)) {
        throw CSetupException(SetupPhase::Completion, SetupCause::FileError);
    }
    if (!program.empty()) file.Write(program.data(), static_cast<UINT>(program.size()));
    file.Close();
}

std::vector<uint8_t> WriteUninstallLog(SetupWork& work, CFile& log) {
    const InstallRecord& record = work.record;
    work.CancelPoint();
    spd::Result<std::vector<uint8_t>> bytes;
    try {
        bytes = spd::EncodeUninstallLog(spd::MakeUninstallLog(work.context.displayName, record.installedFiles(),
                                                              record.keptSharedFiles(), record.createdFolders(),
                                                              record.registryEntries()));
    } catch (const std::bad_alloc&) {
        throw CSetupException(SetupPhase::FileInstallation, SetupCause::OutOfMemory);
    }
    if (!bytes.ok()) throw CSetupException(SetupPhase::FileInstallation, SetupCause::CompressError);
    log.Write(bytes.value.data(), static_cast<UINT>(bytes.value.size()));
    log.Close();
    return std::move(bytes.value);
}

void WriteUninstallSupport(SetupWork& work) {
    work.CancelPoint();
    const std::string logPath = CheckedPath(work.context.destination + "\\Unscr.log");
    CFile log;
    if (!OpenLog(work, log, logPath)) {
        work.context.uninstallerPath.clear();
        return;
    }

    const std::string* windows = work.baseFolders.Lookup(static_cast<uint8_t>(spd::FolderKind::Windows));
    try {
        if (windows == nullptr) throw CSetupException(SetupPhase::Completion, SetupCause::UnexpectedError);
        work.context.uninstallerPath = ChooseUninstallerPath(*windows);
        WriteUninstallerProgram(work.context.uninstallerPath, ReadPackedProgram(work, work.packedProgramCopy));
    } catch (const CSetupException&) {
        // No uninstaller: the installation goes on without uninstall
        // support, and the user learns that it cannot be removed the usual
        // way.
        work.context.uninstallerPath.clear();
        work.context.uninstallerMissing = 1;
        log.Abort();
        LeaveLogAsItWas(work, logPath);
        AskUser(static_cast<UINT>(IDS_NO_UNINSTALLER), MB_OK | MB_ICONEXCLAMATION);
        return;
    }

    WriteUninstallEntry(work, logPath);
    WriteProductValue(work, logPath);
    WriteLogDigestOf(work, WriteUninstallLog(work, log));
}

}  // namespace kalvorin::setup
