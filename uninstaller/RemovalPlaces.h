// Where the uninstaller may remove anything: only where a setup may have
// written. A log is data from the disk, and the uninstaller may run with
// more rights than whoever wrote the log, so every record is checked here
// before anything is done with it; a record that fails is skipped.
//
// Base folders: the folder of the log (the destination the user chose; not
// when it is a drive root), the Windows folder, the system folder and the
// folders of "ProgramFilesDir" and "CommonFilesDir". The last four are the
// protected bases.
//
// Paths must be plain absolute paths "X:\a\b": no UNC path, no forward
// slash, no empty component, each component a name a setup may install
// (no ".", "..", component of dots and blanks only, trailing dot or blank,
// device name, wildcard, colon or control character; see
// codec/InstallableName.h). Letters are compared as Windows compares names.
//
// - A file may be removed when it lies strictly below a base folder and is
//   no base folder itself.
// - A folder may be removed when it lies strictly below a base folder or is
//   the log's folder itself (which the setup created and listed when it had
//   to), and when it is neither a protected base folder nor above one, nor
//   above the log's folder. A drive root never is.
// - A registry record must name HKEY_LOCAL_MACHINE and either a whole key
//   exactly one level below "Software\Brisvane Screensaver" (a product key)
//   or "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall" (an Uninstall
//   entry), or one value of "Software\Brisvane Screensaver" itself (a product
//   value). That key itself is never removed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "codec/RegistryEntryRecord.h"

class RemovalPlaces {
public:
    // `logFolder`: the folder that holds the log, a full path. `protectedBases`:
    // the Windows, system, Program Files and common files folders; any of them
    // that is no plain absolute path is left out.
    RemovalPlaces(const std::string& logFolder, const std::vector<std::string>& protectedBases);

    // The places of this computer for a log in `logFolder`.
    static RemovalPlaces OfThisComputer(const std::string& logFolder);

    bool MayRemoveFile(const std::string& path) const;
    bool MayRemoveFolder(const std::string& path) const;

private:
    bool BelowSomeBase(const std::string& folded) const;

    std::string logFolder_;                   // folded; empty when it is no base
    std::vector<std::string> protectedBases_; // folded
};

bool MayRemoveRegistryEntry(const spd::RegistryEntryRecord& record);

// `path` as a plain absolute path "X:\a\b" (one trailing backslash dropped),
// or nullopt when it is none; a drive root ("X:\") is none either.
std::optional<std::string> PlainAbsolutePath(const std::string& path);
