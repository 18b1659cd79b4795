#include "system/RestartSchedule.h"

#include <windows.h>

#include "framework/File.h"
#include "framework/FileSystem.h"
#include "system/ShortPath.h"

namespace kalvorin {

namespace {

constexpr char kSectionHeader[] = "[rename]";

}  // namespace

bool AppendWininitLines(const std::string& windowsFolder, const std::vector<WininitLine>& lines) {
    const std::string path = windowsFolder + "\\wininit.ini";
    CFile file;
    if (FileExists(path)) {
        if (!file.Open(path, CFile::modeWrite | CFile::shareExclusive)) return false;
        file.SeekToEnd();
    } else {
        if (!file.Open(path, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive)) return false;
        file.Write(kSectionHeader, sizeof kSectionHeader - 1);
    }
    for (const auto& [target, source] : lines) {
        const std::string line = "\r\n" + target + "=" + source;
        file.Write(line.data(), static_cast<UINT>(line.size()));
    }
    file.Close();
    return true;
}

bool MoveAtRestart(const std::string& source, const std::string& target) {
    return ::MoveFileExA(source.c_str(), target.empty() ? nullptr : target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool DeleteAtRestart(const std::string& path, bool isWin9x, const std::string& windowsFolder) {
    if (!isWin9x) return ::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
    if (windowsFolder.empty()) return false;
    try {
        return AppendWininitLines(windowsFolder, {WininitLine("NUL", ShortPathOf(path))});
    } catch (const CFileException&) {
        return false;
    }
}

}  // namespace kalvorin
