// The worker's checks of the setup data header: the full validation of
// user.spd, the identity of a further volume, and the length and Adler-32
// of the joined setup data.
#pragma once

#include <string>

#include "codec/SetupHeader.h"
#include "codec/VolumeHeader.h"
#include "framework/File.h"

namespace kalvorin::setup {

class SetupWork;

// Reads the 192-byte header of the user.spd at `path` and validates it.
// Raises (Preparation, ...):
//   FileError         the file cannot be opened exclusively; version, magic,
//                     catalogOffset, nonZeroMark or fileCount is wrong; or,
//                     with volumeCount 0, the file's length differs from
//                     dataLength
//   DamagedSetupFile  fewer than 192 bytes, or a display name that is empty,
//                     has 64 characters (no room for the log's terminator)
//                     or holds a backslash
spd::SetupHeader ValidateSetupHeader(const std::string& path);

// Reads the first 88 bytes of `file` (open, positioned at its start):
//   NotSetupFile  fewer than 88 bytes, wrong magic or version
//   WrongVolume   another volume number, setup id (UuidCompare) or display
//                 name (byte for byte) than volume `expectedNumber` of the
//                 setup `header` describes
spd::VolumeCheck CheckVolumeHeader(CFile& file, unsigned expectedNumber, const spd::SetupHeader& header);

// The joined data (work.joined) must be dataLength bytes long and its
// Adler-32 from offset 192 must equal dataChecksum; read through the 512 KiB
// buffer with a cancel point per piece. Raises (Preparation,
// DamagedSetupFile) or (Preparation, OutOfMemory).
void VerifyJoinedData(SetupWork& work);

}  // namespace kalvorin::setup
