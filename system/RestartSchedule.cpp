#include "system/RestartSchedule.h"

#include <windows.h>

#include "framework/File.h"
#include "framework/FileSystem.h"

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
