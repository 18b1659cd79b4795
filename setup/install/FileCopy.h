// Putting one extracted file in place, or keeping the existing one.
//
// A file's new content is written once, into the target's own folder under
// a staging name (so that it gets that folder's access list), and renamed
// over the target when it is installed: a setup killed while writing never
// leaves the target cut short, and no byte is copied twice. An earlier file
// at the target is first copied into the private temporary folder, so that
// a failed run can put it back byte for byte. When the
// target exists but cannot be written now (in use by another program,
// read-only, access denied), a second copy waits in the system temporary
// folder for the next start of Windows, which moves it over the target.
// Any other failure (a missing folder, a full disk) is a file error naming
// the target: a restart would not bring the file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

#include "framework/Handles.h"

namespace kalvorin::setup {

class SetupWork;

// The new content of one file, written beside its target under the name
// "~k" and six hex digits of a hash of the target's path, ".tmp" (the same
// for the same target in every run: a run killed before the rename leaves
// it, and the next run that installs the target overwrites it). A target in
// a folder too deep for that name gets a temporary file of the private
// temporary folder instead (ExtractToTempFile), which is copied over it.
// The staging file is deleted when the object goes, unless it was renamed
// over the target.
class StagedFile {
public:
    // Writes `content`; a write that fails is a CFileException naming the
    // target (a missing folder, a full disk), and nothing is left.
    StagedFile(SetupWork& work, std::span<const uint8_t> content, const std::string& targetPath);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Where the content lies.
    const std::string& Path() const { return path_; }
    // The content's path for others to read (the replacement policy reads
    // its version information): the file is closed, and renamed by its path.
    const std::string& PathToRead() {
        file_.Reset();
        return path_;
    }
    // Renames the file over the target (copies it, from the private
    // temporary folder); false with the Win32 error when that fails.
    bool ReplaceTarget(const std::string& targetPath, DWORD& error);
    // Renames the file to the target when nothing of that name exists;
    // false when something does, or the rename fails for any other reason
    // (nothing changed).
    bool TakeFreeName(const std::string& targetPath);

private:
    std::string path_;
    UniqueHandle file_;    // beside the target: open until it is renamed
    bool beside_ = false;  // beside the target: this object deletes it
};

// After a cancel point: puts the staged content over `targetPath` as above
// (`existed`: a file was at the target when the loop looked) and records the
// target in installedFiles (also when it waits for the restart), then steps
// the progress bar. Raises (FileInstallation, FileError) when the restart
// copy cannot be made, and CFileException for the other failures.
void InstallStep(SetupWork& work, StagedFile& staged, const std::string& targetPath, bool existed);

// The common case in one call to the system: a target that does not exist
// takes the new file's name (recorded and stepped as InstallStep does).
// False, with nothing changed, when something is in the way: then the loop
// looks at the target and goes the way of an existing file or of a failure.
bool InstallIfFree(SetupWork& work, StagedFile& staged, const std::string& targetPath);

// The existing file stays: a shared one is recorded in keptSharedFiles; the
// progress bar steps.
void KeepStep(SetupWork& work, const std::string& targetPath, uint8_t flags);

// Copies the earlier file at `targetPath` into the private temporary folder
// and records the pair, so that a failed run can put it back; true when it
// was copied. A file that cannot be read now (in use) is not copied; any
// other failure throws CFileException naming the target.
bool KeepEarlierFile(SetupWork& work, const std::string& targetPath);

// True for the Win32 errors of a copy over an existing file that a restart
// can resolve: the file is in use, locked, read-only or denied now.
bool IsInUseError(unsigned long error);

}  // namespace kalvorin::setup
