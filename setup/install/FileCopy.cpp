#include "install/FileCopy.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <optional>

#include "codec/FolderKind.h"
#include "framework/FileException.h"
#include "framework/FileSystem.h"
#include "install/FileLoop.h"
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

// The staging name beside `targetPath` (see StagedFile); nullopt when it
// would make the path too long.
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

StagedFile::StagedFile(SetupWork& work, std::span<const uint8_t> content, const std::string& targetPath) {
    const std::optional<std::string> staging = StagingPath(targetPath);
    if (!staging) {
        path_ = ExtractToTempFile(work, content);
        return;
    }
    // Kept open for the rename: the system need not look the file up again
    // (PathToRead() closes it for the replacement policy).
    file_.Reset(::CreateFileA(staging->c_str(), GENERIC_WRITE | DELETE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) throw CFileException::FromOsError(static_cast<LONG>(::GetLastError()), targetPath);
    path_ = *staging;
    beside_ = true;
    DWORD written = 0;
    if (!content.empty() &&
        (!::WriteFile(file_.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
         written != content.size())) {
        const DWORD error = ::GetLastError();
        // The part written goes at once: a constructor that throws leaves no
        // object whose end would remove it.
        file_.Reset();
        ::DeleteFileA(path_.c_str());
        if (written != 0 && written < content.size()) {
            throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, targetPath);
        }
        throw CFileException::FromOsError(static_cast<LONG>(error), targetPath);
    }
}

StagedFile::~StagedFile() {
    file_.Reset();
    if (beside_) ::DeleteFileA(path_.c_str());
}

bool StagedFile::ReplaceTarget(const std::string& targetPath, DWORD& error) {
    if (!beside_) {
        if (::CopyFileA(path_.c_str(), targetPath.c_str(), FALSE)) return true;
        error = ::GetLastError();
        return false;
    }
    bool renamed = false;
    error = ERROR_CALL_NOT_IMPLEMENTED;
    if (file_) renamed = RenameOpenFile(file_.Get(), targetPath, true, error);
    file_.Reset();
    if (!renamed && error == ERROR_CALL_NOT_IMPLEMENTED) {
        renamed = ::MoveFileExA(path_.c_str(), targetPath.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
        if (!renamed) error = ::GetLastError();
    }
    if (renamed) beside_ = false;  // it is the target now
    return renamed;
}

bool StagedFile::TakeFreeName(const std::string& targetPath) {
    DWORD error = ERROR_SUCCESS;
    if (!beside_ || !file_ || !RenameOpenFile(file_.Get(), targetPath, false, error)) return false;
    file_.Reset();
    beside_ = false;  // it is the target now
    return true;
}

bool InstallIfFree(SetupWork& work, StagedFile& staged, const std::string& targetPath) {
    work.CancelPoint();
    if (!staged.TakeFreeName(targetPath)) return false;
    work.record.AddInstalledFile(targetPath);
    StepProgress(work.sync);
    return true;
}

void InstallStep(SetupWork& work, StagedFile& staged, const std::string& targetPath, bool existed) {
    work.CancelPoint();
    if (existed) KeepEarlierFile(work, targetPath);
    DWORD error = ERROR_SUCCESS;
    if (!staged.ReplaceTarget(targetPath, error)) {
        if (!existed || !FileExists(targetPath) || !IsInUseError(error)) {
            throw CFileException::FromOsError(static_cast<LONG>(error), targetPath);
        }
        ScheduleForRestart(work, staged.Path(), targetPath);
    }
    work.record.AddInstalledFile(targetPath);
    StepProgress(work.sync);
}

void KeepStep(SetupWork& work, const std::string& targetPath, uint8_t flags) {
    if (flags & spd::CatalogFlags::Shared) work.record.AddKeptSharedFile(targetPath);
    StepProgress(work.sync);
}

}  // namespace kalvorin::setup
