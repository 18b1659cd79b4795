// The further volumes of a setup split over several disks (user.001,
// user.002, ...): finding, identifying and copying each one, then joining
// all volumes into the one stream of setup data that the later stages read.
// Errors are raised in the phase Preparation.
#pragma once

#include <string>

namespace kalvorin::setup {

class SetupWork;

// Volumes 1 to V-1 in turn, V the header's volumeCount. Each is looked for
//   1. beside the previous one (searchFolder; accepted without a header
//      check),
//   2. in the sibling disk folder "<parent>\Disk <n+1>\" (accepted when its
//      volume header check passes),
//   3. through the disk prompt after the exclamation beep; the file chosen
//      is checked, and IDS_VOLUME_IO_ERROR, IDS_NOT_A_SETUP_FILE and
//      IDS_WRONG_DISK lead back to 1 for the same volume. Cancel raises
//      CannotContinue, a folder without the file FileNotFound.
// Then it is copied into the temporary folder (FileError when that fails),
// recorded as a temporary file and a volume copy, and the progress bar
// advances one step.
void CollectVolumes(SetupWork& work);

// Opens the joined setup data as work.joined. With V of 0 or 1 it is the
// copy of user.spd; otherwise a new file "<8 letters>.tmp" in the temporary
// folder (recorded as a temporary file) that receives user.spd whole and
// every further volume without its 88-byte header, through the 512 KiB
// buffer. Then one progress step, the joined-data verification and a cancel
// point. A further volume shorter than its 88-byte header is refused as
// DamagedSetupFile.
void JoinAndOpen(SetupWork& work);

}  // namespace kalvorin::setup
