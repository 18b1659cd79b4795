// Where the uninstaller may remove anything: only where a setup may have
// written. The log's digest shows that a setup wrote it (LogFile.h); these
// checks are kept all the same, so that no record can reach beyond an
// installation's places.
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
// - A folder may be removed when it lies strictly below a base folder, or is
//   the log's folder or one above it (the setup creates and lists every
//   level of a destination it makes, such as "C:\Program Files\Kalvorin"
//   for "C:\Program Files\Kalvorin\Aquarium"), and when it is neither a
//   protected base folder nor above one. A drive root never is. Folders go
//   only when they are empty.
// - No path is followed through a reparse point (a junction, symbolic link
//   or mount point): one whose components below its base folder include one,
//   the path itself included, is refused. The base is the deepest base
//   folder the path lies below; for the log's folder and those above it, the
//   deepest protected base above them, else the drive root.
// - A registry record must name HKEY_LOCAL_MACHINE and either a whole key
//   exactly one level below "Software\Brisvane Screensaver" (a product key),
//   the Uninstall entry named after the log's display name, or the product
//   value of that display name (in upper case) in "Software\Brisvane
//   Screensaver" itself. That key itself is never removed.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "codec/RegistryEntryRecord.h"

namespace kalvorin::uninstaller {

class RemovalPlaces {
public:
    // The file attributes of a path (GetFileAttributesA); INVALID_FILE_ATTRIBUTES
    // when it does not exist.
    using AttributesOf = std::function<unsigned long(const std::string& path)>;

    // `logFolder`: the folder that holds the log, a full path. `protectedBases`:
    // the Windows, system, Program Files and common files folders; any of them
    // that is no plain absolute path is left out. `attributes`: how a path's
    // attributes are read (the system's by default).
    RemovalPlaces(const std::string& logFolder, const std::vector<std::string>& protectedBases,
                  AttributesOf attributes = nullptr);

    // The places of this computer for a log in `logFolder`.
    static RemovalPlaces OfThisComputer(const std::string& logFolder);

    bool MayRemoveFile(const std::string& path) const;
    bool MayRemoveFolder(const std::string& path) const;

private:
    bool BelowSomeBase(const std::string& folded) const;
    // The length of the folder below which `folded` must cross no reparse point.
    size_t AnchorLength(const std::string& folded) const;
    bool CrossesReparsePoint(const std::string& plain) const;

    std::string logFolder_;                    // folded; empty when it is no base
    std::vector<std::string> protectedBases_;  // folded
    AttributesOf attributes_;
};

// Whether the uninstaller may remove what `record` names, for the log of an
// installation of `displayName`.
bool MayRemoveRegistryEntry(const spd::RegistryEntryRecord& record, const std::string& displayName);

// `path` as a plain absolute path "X:\a\b" (one trailing backslash dropped),
// or nullopt when it is none; a drive root ("X:\") is none either.
std::optional<std::string> PlainAbsolutePath(const std::string& path);

}  // namespace kalvorin::uninstaller
