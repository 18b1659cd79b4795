// The pieces of start-up that can be tested on their own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "system/SystemInfo.h"  // DetectWin9x, ReadFolderValue

namespace kalvorin::setup {

// What start-up takes from the setup data header.
struct StartupHeaderInfo {
    std::string displayName;
    std::string defaultSubfolder;
};

// The start-up read of "<moduleFolder>\user.spd": opened for reading with
// others denied write access, exactly 192 bytes must be read and the version
// byte must be 16. The magic and all other fields are not checked here.
std::optional<StartupHeaderInfo> ReadStartupHeader(const std::string& moduleFolder);

// The default destination: `programFilesFolder` without trailing white space
// and backslashes, "\" and `subfolder` appended, trailing white space and
// backslashes removed again. Empty when `subfolder` is empty.
std::string MakeDefaultDestination(const std::string& programFilesFolder, const std::string& subfolder);

// A full module path cut before its last backslash; a path without a
// backslash stays whole.
std::string ModuleFolderFromPath(const std::string& modulePath);

// HKLM "Software\Microsoft\Windows\CurrentVersion" value "ProgramFilesDir"
// (at most 260 bytes); nullopt when the key or the value cannot be read.
std::optional<std::string> ReadProgramFilesFolder();

// PRIMARYLANGID(GetUserDefaultLangID()): the language without its region.
uint16_t DetectLanguageId();

}  // namespace kalvorin::setup
