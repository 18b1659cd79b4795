#include "register/Rollback.h"

#include <windows.h>

#include <set>
#include <string>

#include "run/InstallRecord.h"
#include "system/RegistryRecords.h"
#include "system/RegistryValues.h"

namespace kalvorin::setup {

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

    // A key or value that existed before the run (an earlier installation's)
    // is not removed: its values are put back below.
    const auto& before = record.changedValues();
    for (const spd::RegistryEntryRecord& entry : record.registryEntries()) {
        bool existed = false;
        for (const RegistryValueBefore& value : before) {
            if (value.root != RootOfHive(entry.hive) || Folded(value.key) != Folded(entry.key)) continue;
            if (entry.IsWholeKey() ? value.keyExisted
                                   : value.existed && Folded(value.name) == Folded(entry.valueName)) {
                existed = true;
            }
        }
        if (!existed) RemoveRegistryEntry(entry);
    }
    for (auto it = before.rbegin(); it != before.rend(); ++it) RestoreValue(*it);
}

}  // namespace kalvorin::setup
