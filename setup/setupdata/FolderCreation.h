// The folders of the installation: the destination and the folders listed
// in the folder table at offset 192 of the joined setup data. Each folder
// the run creates is recorded (its full path only) for the uninstall log and
// for the rollback. Errors are raised in the phase FolderCreation.
#pragma once

#include <string>
#include <vector>

#include "codec/FolderEntry.h"

namespace kalvorin::setup {

class SetupWork;

// Posts CreatingFolders, creates the destination when it does not exist,
// then reads, checks, sorts and creates the folder table's folders.
void CreateFolders(SetupWork& work);

// Reads the folder table at offset 192 of work.joined and checks every
// record before any folder is made of it. An absent table (zero checksum or
// size) gives no folders. Raises (FolderCreation, DamagedSetupFile |
// DecompressError | OutOfMemory).
std::vector<spd::FolderEntry> ReadFolderTable(SetupWork& work);

}  // namespace kalvorin::setup
