#include "register/Rollback.h"

#include <windows.h>

#include <set>
#include <string>

#include "register/InstallRecord.h"
#include "system/RegistryRecords.h"
#include "system/SharedDllCounts.h"

namespace {

// Paths compared as Windows compares file names.
std::string Folded(const std::string& path) {
    std::string folded = path;
    if (!folded.empty()) ::CharUpperBuffA(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
}

std::set<std::string> TargetsOf(const std::vector<std::string>& entries) {
    std::set<std::string> targets;
    for (const std::string& entry : entries) targets.insert(Folded(PendingReplacementTarget(entry)));
    return targets;
}

}  // namespace

void RollBack(InstallRecord& record) {
    for (const std::string& entry : record.pendingReplacements()) {
        ::DeleteFileA(PendingReplacementCopy(entry).c_str());
    }

    const std::set<std::string> scheduled = TargetsOf(record.pendingReplacements());
    const std::set<std::string> replaced = TargetsOf(record.replacedFiles());
    for (const std::string& path : record.installedFiles()) {
        const std::string folded = Folded(path);
        if (scheduled.count(folded) == 0 && replaced.count(folded) == 0) ::DeleteFileA(path.c_str());
    }
    // The last copy first: a target overwritten twice ends with its very
    // first content.
    const auto& copies = record.replacedFiles();
    for (auto it = copies.rbegin(); it != copies.rend(); ++it) {
        const std::string target = PendingReplacementTarget(*it);
        if (scheduled.count(Folded(target)) != 0) continue;
        ::CopyFileA(PendingReplacementCopy(*it).c_str(), target.c_str(), FALSE);
    }

    RemoveListedFolders(record.createdFolders());
    for (const spd::RegistryEntryRecord& entry : record.registryEntries()) RemoveRegistryEntry(entry);

    const auto& counts = record.raisedSharedCounts();
    for (auto it = counts.rbegin(); it != counts.rend(); ++it) RestoreSharedCount(*it);
}
