// The base folders that folder and file records of the setup data refer to,
// by FolderKind (1 Windows, 2 System, 3 ProgramFiles, 4 CommonFiles,
// 5 Destination). Each entry owns its own copy of its path.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "codec/FolderKind.h"

namespace kalvorin::setup {

class BaseFolderMap {
public:
    void Set(spd::FolderKind kind, const std::string& path) { folders_[static_cast<uint8_t>(kind)] = path; }

    // The path of a kind code as it was set, or nullptr for a code without
    // an entry (every code outside 1..5, and any kind not set yet).
    const std::string* Lookup(uint8_t kind) const;

    bool Empty() const { return folders_.empty(); }
    void Clear() { folders_.clear(); }

private:
    std::map<uint8_t, std::string> folders_;
};

}  // namespace kalvorin::setup
