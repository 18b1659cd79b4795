// What an installation leaves in the registry, all below HKEY_LOCAL_MACHINE:
// the product key with "Destination" and "Config", the entry of the system's
// software list through which the user removes the screensaver, and the
// product value by which a later setup finds this installation. Each key or
// value the run creates is recorded for the uninstall log and the rollback;
// a value of an earlier installation that it overwrites is recorded as it
// was, so that a failed run puts it back.
//
// With no file flagged Config, "Config" is an empty string; with no file
// flagged Screensaver, the product key is named after the destination folder
// in the same way as after the screensaver's path.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "system/RegistryRecords.h"  // kProductRootKey, kUninstallKey, ProductValueName

namespace kalvorin::setup {

class SetupWork;

// The last component of the product key: the short form of `path`, in upper
// case, with every backslash replaced by a slash.
std::string ScreensaverKeyName(const std::string& path);

// `uninstaller "log"`, and with a trailing " s" for a newer setup.
std::string UninstallCommand(const std::string& uninstallerPath, const std::string& logPath, bool silent);

// The product key "Software\Brisvane Screensaver\<key name>" with
// "Destination" and "Config" in their short forms. Raises (FileInstallation,
// UnexpectedError).
void WriteProductKey(SetupWork& work);

// The Uninstall entry "<kUninstallKey>\<display name>" with "DisplayName"
// and "UninstallString". Raises (Completion, UnexpectedError).
void WriteUninstallEntry(SetupWork& work, const std::string& logPath);

// The product value with the command line of a silent removal. Raises
// (FileInstallation, UnexpectedError).
void WriteProductValue(SetupWork& work, const std::string& logPath);

// The SHA-256 of the uninstall log as written (`log`, the whole file) beside
// the product value (system/LogDigest.h): the uninstaller acts only on a log
// with this digest. Raises (Completion, UnexpectedError) when it cannot be
// computed or written.
void WriteLogDigestOf(SetupWork& work, std::span<const uint8_t> log);

}  // namespace kalvorin::setup
