// What one installation run did, in the order it did it: the files it wrote,
// the shared files it left in place, the folders and registry entries it
// created, the replacements it scheduled for the next start of Windows, and
// the temporary files and folders it made for itself. The uninstall log
// writes the first four lists; the end of the run removes the temporary
// things always and, after a failure or a cancel, everything else as well.
#pragma once

#include <string>
#include <vector>

#include "codec/RegistryEntryRecord.h"
#include "system/RegistryValues.h"

namespace kalvorin::setup {

class InstallRecord {
public:
    InstallRecord() = default;
    InstallRecord(const InstallRecord&) = delete;
    InstallRecord& operator=(const InstallRecord&) = delete;

    // Recording: each call appends one element; nothing is removed before
    // Discard().
    void AddInstalledFile(const std::string& path) { installedFiles_.push_back(path); }
    void AddKeptSharedFile(const std::string& path) { keptSharedFiles_.push_back(path); }
    void AddCreatedFolder(const std::string& path) { createdFolders_.push_back(path); }
    void AddRegistryEntry(const spd::RegistryEntryRecord& entry) { registryEntries_.push_back(entry); }
    // The restart copy's path, a line feed and the target's path.
    void AddPendingReplacement(const std::string& copyPath, const std::string& targetPath);
    void AddTempFile(const std::string& path) { tempFiles_.push_back(path); }
    void AddTempFolder(const std::string& path) { tempFolders_.push_back(path); }
    // Nothing that was there before may be lost: the copy of an earlier file
    // taken before the run overwrote it (the copy's path, a line feed and the
    // target's path), and a registry value (a shared count, a value of an
    // earlier installation) as it was before the run changed it. Neither goes
    // into the uninstall log; a failed run puts both back.
    void AddReplacedFile(const std::string& copyPath, const std::string& targetPath);
    void AddChangedValue(const RegistryValueBefore& before) { changedValues_.push_back(before); }

    // Read access, in insertion order.
    const std::vector<std::string>& installedFiles() const { return installedFiles_; }
    const std::vector<std::string>& keptSharedFiles() const { return keptSharedFiles_; }
    const std::vector<std::string>& createdFolders() const { return createdFolders_; }
    const std::vector<spd::RegistryEntryRecord>& registryEntries() const { return registryEntries_; }
    const std::vector<std::string>& pendingReplacements() const { return pendingReplacements_; }
    const std::vector<std::string>& tempFiles() const { return tempFiles_; }
    const std::vector<std::string>& tempFolders() const { return tempFolders_; }
    const std::vector<std::string>& replacedFiles() const { return replacedFiles_; }
    const std::vector<RegistryValueBefore>& changedValues() const { return changedValues_; }

    // True when every list is empty.
    bool IsEmpty() const;

    // Empties every list and frees the registry records.
    void Discard();

private:
    std::vector<std::string> installedFiles_;
    std::vector<std::string> keptSharedFiles_;
    std::vector<std::string> createdFolders_;
    std::vector<spd::RegistryEntryRecord> registryEntries_;
    std::vector<std::string> pendingReplacements_;
    std::vector<std::string> tempFiles_;
    std::vector<std::string> tempFolders_;
    std::vector<std::string> replacedFiles_;
    std::vector<RegistryValueBefore> changedValues_;
};

// The first path of a pending replacement or a replaced file: the text
// before its line feed (the whole text when it has none).
std::string PendingReplacementCopy(const std::string& entry);

// The target of such an entry: the text after its first line feed (empty
// when it has none).
std::string PendingReplacementTarget(const std::string& entry);

// Deletes each file in list order; a file that cannot be deleted stays,
// without a message.
void DeleteListedFiles(const std::vector<std::string>& paths);

// Removes the listed folders, subfolders before their parents: paths that
// do not exist are dropped, the rest are taken in their short form in upper
// case and removed in descending string order. Only an empty folder can be
// removed; one that cannot be removed stays, without a message.
void RemoveListedFolders(const std::vector<std::string>& paths);

}  // namespace kalvorin::setup
