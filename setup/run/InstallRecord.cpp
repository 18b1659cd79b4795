#include "run/InstallRecord.h"

#include <windows.h>

#include <algorithm>
#include <functional>

#include "framework/FileSystem.h"

namespace kalvorin::setup {

void InstallRecord::AddPendingReplacement(const std::string& copyPath, const std::string& targetPath) {
    pendingReplacements_.push_back(copyPath + '\n' + targetPath);
}

void InstallRecord::AddReplacedFile(const std::string& copyPath, const std::string& targetPath) {
    replacedFiles_.push_back(copyPath + '\n' + targetPath);
}

bool InstallRecord::IsEmpty() const {
    return installedFiles_.empty() && keptSharedFiles_.empty() && createdFolders_.empty() && registryEntries_.empty() &&
           pendingReplacements_.empty() && tempFiles_.empty() && tempFolders_.empty() && replacedFiles_.empty() &&
           changedValues_.empty();
}

void InstallRecord::Discard() {
    // swap with empty vectors so that the memory is given back as well
    std::vector<std::string>().swap(installedFiles_);
    std::vector<std::string>().swap(keptSharedFiles_);
    std::vector<std::string>().swap(createdFolders_);
    std::vector<spd::RegistryEntryRecord>().swap(registryEntries_);
    std::vector<std::string>().swap(pendingReplacements_);
    std::vector<std::string>().swap(tempFiles_);
    std::vector<std::string>().swap(tempFolders_);
    std::vector<std::string>().swap(replacedFiles_);
    std::vector<RegistryValueBefore>().swap(changedValues_);
}

std::string PendingReplacementCopy(const std::string& entry) {
    const size_t lineFeed = entry.find('\n');
    return lineFeed == std::string::npos ? entry : entry.substr(0, lineFeed);
}

std::string PendingReplacementTarget(const std::string& entry) {
    const size_t lineFeed = entry.find('\n');
    return lineFeed == std::string::npos ? std::string() : entry.substr(lineFeed + 1);
}

void DeleteListedFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        if (!path.empty()) ::DeleteFileA(path.c_str());
    }
}

void RemoveListedFolders(const std::vector<std::string>& paths) {
    std::vector<std::string> folders;
    folders.reserve(paths.size());
    for (const std::string& path : paths) {
        if (!FolderExists(path)) continue;
        std::string name = path;
        char shortName[MAX_PATH + 1] = {};
        const DWORD length = ::GetShortPathNameA(path.c_str(), shortName, sizeof shortName);
        if (length > 0 && length < sizeof shortName) name.assign(shortName, length);
        ::CharUpperBuffA(name.data(), static_cast<DWORD>(name.size()));
        folders.push_back(std::move(name));
    }
    // A folder's path is a prefix of its subfolders' paths, so descending
    // order puts every subfolder before its parent.
    std::sort(folders.begin(), folders.end(), std::greater<std::string>());
    for (const std::string& folder : folders) ::RemoveDirectoryA(folder.c_str());
}

}  // namespace kalvorin::setup
