// Work for the next start of Windows: a file moved over another, or a file
// deleted, once nothing holds it open. The Windows 9x family reads the
// "[rename]" section of wininit.ini in the Windows folder; the NT family
// takes delayed moves registered with MoveFileExA.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kalvorin {

// One line "target=source" of wininit.ini; a target "NUL" deletes the source.
using WininitLine = std::pair<std::string, std::string>;

// Appends the lines to "<windowsFolder>\wininit.ini", each as CR LF, target,
// "=", source, without a terminating zero and without a line end after the
// last one. An existing file is opened for writing without sharing and the
// lines go after its last byte (whatever section that is); a new file starts
// with the 8 bytes "[rename]". Returns false when the file can neither be
// opened nor created; a failing write throws CFileException.
bool AppendWininitLines(const std::string& windowsFolder, const std::vector<WininitLine>& lines);

// MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_DELAY_UNTIL_REBOOT); an empty target deletes the source at the
// restart. Returns the call's result.
bool MoveAtRestart(const std::string& source, const std::string& target);

// Deletes `path` at the next start of Windows. The NT family: a delayed
// MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT). The 9x family: the
// line "NUL=<short path>" appended to "<windowsFolder>\wininit.ini" as
// AppendWininitLines writes it. Returns false when neither could be done
// (also when writing wininit.ini fails).
bool DeleteAtRestart(const std::string& path, bool isWin9x, const std::string& windowsFolder);

}  // namespace kalvorin
