#include "ui/DestinationRules.h"

#include <windows.h>

namespace kalvorin::setup {

namespace {

constexpr size_t kMaxDestinationLength = 259;

}  // namespace

bool IsValidDestination(const std::string& folder) {
    if (folder.empty()) return false;
    if (folder.size() > kMaxDestinationLength) return false;
    if (folder.size() < 2) return false;
    if (folder.size() > 2 && folder[2] != '\\') return false;
    if (folder.find_first_of("/*?<>\"|") != std::string::npos) return false;
    if (folder.find("\\\\") != std::string::npos) return false;
    const std::string root = folder.substr(0, 2) + "\\";
    const UINT type = ::GetDriveTypeA(root.c_str());
    return type == DRIVE_FIXED || type == DRIVE_REMOTE;
}

std::string ProposedDestination(const std::string& defaultDestination, const std::string& programFilesFolder,
                                const std::string& displayName) {
    if (!defaultDestination.empty()) return defaultDestination;
    return programFilesFolder + "\\" + displayName;
}

}  // namespace kalvorin::setup
