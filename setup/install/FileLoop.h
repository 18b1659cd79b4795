// The file phase of a run: every file of the catalog, in catalog order, is
// read, announced, written beside its target (install/FileCopy.h, the
// staged file) and then installed, scheduled for the next restart or kept;
// the progress bar steps once per file. The shared-library counts follow
// the last file.
//
//   InstallFiles(work);   // after the folders were created
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kalvorin::setup {

class SetupWork;

// Verifies the catalog, clears the remembered answers and the shared files,
// installs every file, frees the block buffer and raises the shared counts. Raises the errors of the
// catalog and of each step, CMyException on a cancel.
void InstallFiles(SetupWork& work);

// Writes `content` to a new temporary file in work.tempFolder (for a target
// too deep for a staged file beside it): the generator
// is seeded with the time in seconds, and names (eight random letters and
// ".tmp") are drawn after a cancel point each until one that does not exist
// can be created without sharing (a name this function made before in the
// run is known to be taken without a look at the disk; for any other the
// creation fails when the name is taken). The file is recorded in tempFiles
// before it is written, in one write. Returns its path.
std::string ExtractToTempFile(SetupWork& work, std::span<const uint8_t> content);

}  // namespace kalvorin::setup
