// Reading one block of the joined setup data: a 16-byte BlockHeader, its
// compressed bytes, expanded in one call and checked against the header's
// Adler-32.
#pragma once

#include <cstdint>
#include <vector>

#include "codec/BlockHeader.h"
#include "worker/SetupException.h"

class CFile;
class SetupWork;

// Reads 16 bytes into `header`; false when fewer bytes are left.
bool ReadBlockHeader(CFile& file, spd::BlockHeader& header);

// Reads the header.storedSize compressed bytes that follow and expands them.
// Raises, in `phase`:
//   DamagedSetupFile  fewer than storedSize bytes left, or the Adler-32 of
//                     the bytes produced differs from header.checksum
//   OutOfMemory       a buffer cannot be had
//   DecompressError   zlib reports an error
// Returns the bytes produced, whose length the caller compares when it must.
std::vector<uint8_t> ReadBlock(SetupWork& work, const spd::BlockHeader& header, SetupPhase phase);
