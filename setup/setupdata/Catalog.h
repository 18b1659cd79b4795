// The file catalog of the joined setup data and the packed uninstaller.
//
//   VerifyCatalog(work);                  // once, before the first file
//   for (i = 0; i < fileCount; ++i)
//       CatalogFile& f = ReadNextFile(work);
//
// The data is read strictly in sequence: every call of ReadNextFile starts
// where the previous file's content ended, whatever became of that file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kalvorin::setup {

struct CatalogFile;
class SetupWork;

// Sets the progress step of the file budget (1,000,000 / fileCount), checks
// the catalog header's Adler-32 over everything after it (512 KiB at a
// time, a cancel point per piece) and positions at the first file record.
// Raises (FileInstallation, DamagedSetupFile | OutOfMemory).
void VerifyCatalog(SetupWork& work);

// After a cancel point: reads the next file record, sends CopyingFile with
// its name, reads and expands its content and forms the target path. The
// result is work.currentFile, valid until the next call. Raises
// (FileInstallation, DamagedSetupFile | DecompressError | OutOfMemory |
// UnexpectedError), and CFileException(badPath) for a target path longer
// than 259 characters.
CatalogFile& ReadNextFile(SetupWork& work);

// The uninstaller from the copy of _setup.spd at `path`. Raises
// (Completion, FileError) when it cannot be opened, (Completion,
// DamagedSetupFile) for any damage and (Completion, OutOfMemory).
std::vector<uint8_t> ReadPackedProgram(SetupWork& work, const std::string& path);

}  // namespace kalvorin::setup
