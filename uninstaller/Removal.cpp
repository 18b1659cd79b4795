#include "uninstaller/Removal.h"

#include <algorithm>
#include <vector>

#include "system/LogDigest.h"
#include "system/RegistryRecords.h"
#include "system/SharedDllCounts.h"

namespace kalvorin::uninstaller {

namespace {

void RemoveFiles(const spd::UninstallLog& log, const RemovalPlaces& places, const RestartPlatform& platform,
                 RemovalReport& report) {
    for (const spd::LogFileRecord& file : log.files) {
        const bool known = file.kind == spd::LogFileRecord::kInstalled || file.kind == spd::LogFileRecord::kKeptShared;
        if (!known || !places.MayRemoveFile(file.path)) {
            ++report.skipped;
            continue;
        }
        const std::optional<DWORD> count = LowerSharedCount(file.path);
        if (file.kind == spd::LogFileRecord::kKeptShared || (count && *count > 0)) {
            ++report.kept;
            continue;
        }
        switch (RemoveFileNowOrAtRestart(file.path, platform)) {
        case FileOutcome::Removed:
            ++report.removed;
            break;
        case FileOutcome::AtRestart:
            ++report.atRestart;
            break;
        case FileOutcome::Failed:
            ++report.failed;
            break;
        }
    }
}

size_t Depth(const std::string& path) {
    return static_cast<size_t>(std::count(path.begin(), path.end(), '\\'));
}

void RemoveFolders(const spd::UninstallLog& log, const RemovalPlaces& places, RemovalReport& report) {
    std::vector<std::string> folders;
    for (const spd::LogFolderRecord& folder : log.folders) folders.push_back(folder.path);
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
    for (const std::string& folder : folders) {
        if (!places.MayRemoveFolder(folder)) {
            ++report.skipped;
            continue;
        }
        switch (RemoveEmptyFolder(folder)) {
        case FolderOutcome::Removed:
            ++report.removed;
            break;
        case FolderOutcome::NotEmpty:
            ++report.kept;
            break;
        case FolderOutcome::Failed:
            ++report.failed;
            break;
        }
    }
}

void RemoveRegistryEntries(const spd::UninstallLog& log, RemovalReport& report) {
    for (const spd::RegistryEntryRecord& entry : log.registry) {
        if (!MayRemoveRegistryEntry(entry, log.displayName))
            ++report.skipped;
        else if (RemoveRegistryEntry(entry))
            ++report.removed;
        else
            ++report.failed;
    }
}

// The digest goes with the log it vouches for; while the log stays, the
// removal can be run again.
void ForgetLog(const spd::UninstallLog& log, const std::string& logPath, RemovalReport& report) {
    if (::GetFileAttributesA(logPath.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    if (DeleteLogDigest(log.displayName))
        ++report.removed;
    else
        ++report.failed;
}

}  // namespace

RemovalReport RemoveInstallation(const spd::UninstallLog& log, const std::string& logPath, const RemovalPlaces& places,
                                 const RestartPlatform& platform) {
    RemovalReport report;
    RemoveFiles(log, places, platform, report);
    RemoveFolders(log, places, report);
    RemoveRegistryEntries(log, report);
    ForgetLog(log, logPath, report);
    return report;
}

}  // namespace kalvorin::uninstaller
