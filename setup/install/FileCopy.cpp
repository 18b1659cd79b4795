#include "install/FileCopy.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <optional>

#include "codec/FolderKind.h"
#include "framework/FileException.h"
#include "framework/FileSystem.h"
#include "run/SetupException.h"
#include "run/SetupWork.h"
#include "run/WorkerOps.h"
#include "setupdata/PathRules.h"
#include "setupdata/SetupFiles.h"

namespace kalvorin::setup {

namespace {

constexpr DWORD kPathBuffer = 260;

// The system temporary folder without its trailing backslash.
std::string SystemTempFolder() {
    char buffer[kPathBuffer + 1] = {};
    const DWORD length = ::GetTempPathA(kPathBuffer, buffer);
    if (length == 0 || length >= kPathBuffer) {
        throw CSetupException(SetupPhase::FileInstallation, SetupCause::FileError);
    }
    return WithoutTrailingBackslash(std::string(buffer, length));
}

// A name for a new file in `folder`: eight random letters and ".tmp", drawn
// again while a file of that name exists.
std::string FreeTempName(const std::string& folder) {
    std::string path;
    do {
        path = folder + "\\" + RandomName() + ".tmp";
    } while (FileExists(path));
    return path;
}

}  // namespace

// A file that cannot be read now (in use) is not copied: the copy over it
// will fail as well and wait for the restart, so it stays as it is.
bool KeepEarlierFile(SetupWork& work, const std::string& targetPath) {
    const std::string copy = FreeTempName(WithoutTrailingBackslash(work.tempFolder));
    if (!::CopyFileA(targetPath.c_str(), copy.c_str(), TRUE)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileA(copy.c_str());
        if (IsInUseError(error)) return false;
        throw CFileException::FromOsError(static_cast<LONG>(error), targetPath);
    }
    // A read-only earlier file gives a read-only copy, which the end of the
    // run could not delete; its other attributes come back with it.
    const DWORD attributes = ::GetFileAttributesA(copy.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        const DWORD rest = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        ::SetFileAttributesA(copy.c_str(), rest != 0 ? rest : FILE_ATTRIBUTE_NORMAL);
    }
    work.record.AddTempFile(copy);
    work.record.AddReplacedFile(copy, targetPath);
    return true;
}

namespace {

// Where a file is copied before it is renamed over its target: a name in
// the target's own folder (so the new file gets that folder's access list),
// in 8.3 form (it fits wherever the folder could be created), the same for
// the same target in every run: "~k" and six hex digits of a hash of the
// target's path, ".tmp". A run killed between the copy and the rename
// leaves it, and the next run that installs the target overwrites it.
// nullopt when the name would make the path too long.
std::optional<std::string> StagingPath(const std::string& targetPath) {
    std::string folded = targetPath;
    if (!folded.empty()) ::CharUpperBuffA(folded.data(), static_cast<DWORD>(folded.size()));
    uint32_t hash = 2166136261u;  // FNV-1a
    for (const unsigned char c : folded) hash = (hash ^ c) * 16777619u;
    char name[16];
    std::snprintf(name, sizeof name, "~k%06x.tmp", static_cast<unsigned>(hash & 0xFFFFFF));
    const size_t slash = targetPath.rfind('\\');
    std::string path = targetPath.substr(0, slash == std::string::npos ? 0 : slash + 1) + name;
    if (path.size() > kMaxPathLength) return std::nullopt;
    return path;
}

// Copies `extractedPath` over `targetPath` through its staging path, so that
// the target is never seen cut short: it is either the old file or the
// whole new one (a target in a folder too deep for the staging name is
// copied over directly). False with the Win32 error when that fails; the
// staging copy is gone then.
bool ReplaceAtomically(const std::string& extractedPath, const std::string& targetPath, DWORD& error) {
    const std::optional<std::string> staged = StagingPath(targetPath);
    if (!staged) {
        if (::CopyFileA(extractedPath.c_str(), targetPath.c_str(), FALSE)) return true;
        error = ::GetLastError();
        return false;
    }
    if (::CopyFileA(extractedPath.c_str(), staged->c_str(), FALSE) &&
        ::MoveFileExA(staged->c_str(), targetPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return true;
    }
    error = ::GetLastError();
    ::DeleteFileA(staged->c_str());
    return false;
}

void ScheduleForRestart(SetupWork& work, const std::string& extractedPath, const std::string& targetPath) {
    const std::string copy = FreeTempName(SystemTempFolder());
    if (!::CopyFileA(extractedPath.c_str(), copy.c_str(), FALSE)) {
        // A copy cut short (a full disk) is nobody's: it goes at once.
        ::DeleteFileA(copy.c_str());
        throw CSetupException(SetupPhase::FileInstallation, SetupCause::FileError);
    }
    work.record.AddPendingReplacement(copy, targetPath);
    work.context.rebootRequired = 1;
}

}  // namespace

bool IsInUseError(unsigned long error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_USER_MAPPED_FILE;
}

void InstallStep(SetupWork& work, const std::string& extractedPath, const std::string& targetPath) {
    work.CancelPoint();
    const bool existed = FileExists(targetPath);
    if (existed) KeepEarlierFile(work, targetPath);
    DWORD error = ERROR_SUCCESS;
    if (!ReplaceAtomically(extractedPath, targetPath, error)) {
        if (!existed || !FileExists(targetPath) || !IsInUseError(error)) {
            throw CFileException::FromOsError(static_cast<LONG>(error), targetPath);
        }
        ScheduleForRestart(work, extractedPath, targetPath);
    }
    work.record.AddInstalledFile(targetPath);
    StepProgress(work.sync);
}

void KeepStep(SetupWork& work, const std::string& targetPath, uint8_t flags) {
    if (flags & spd::CatalogFlags::Shared) work.record.AddKeptSharedFile(targetPath);
    StepProgress(work.sync);
}

}  // namespace kalvorin::setup
