// Reading one block of the joined setup data: a 16-byte BlockHeader, its
// compressed bytes, expanded in one inflate call over the whole of them (as
// zlib's uncompress() makes it) and checked against the header's Adler-32,
// which zlib computes over the bytes it produces anyway.
//
// The blocks share one buffer, kept in the SetupWork from block to block.
// The compressed bytes are read into its far end and expanded towards its
// front, over the compressed bytes already consumed, so that a block needs
// little more memory than its expanded size. A stream that does not allow
// this (a valid but oddly made one can run far ahead of its output) or that
// fails for any other reason is read again and expanded from a buffer of its
// own: the outcome is always that of two separate buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "codec/BlockHeader.h"
#include "framework/File.h"
#include "run/SetupException.h"

namespace kalvorin::setup {

class SetupWork;

// Reads 16 bytes into `header`; false when fewer bytes are left.
bool ReadBlockHeader(CFile& file, spd::BlockHeader& header);

// Reads the header.storedSize compressed bytes that follow and expands them.
// `following` is filled, in the same read, with the bytes right after the
// block as far as there are any (the header of the next block); their number
// goes to *followingRead. Raises, in `phase`:
//   DamagedSetupFile  fewer than storedSize bytes left, or the Adler-32 of
//                     the bytes produced differs from header.checksum
//   OutOfMemory       a buffer cannot be had
//   DecompressError   zlib reports an error
// Returns the bytes produced, whose length the caller compares when it must;
// they stay valid until the next block is read.
std::span<const uint8_t> ReadBlock(SetupWork& work, const spd::BlockHeader& header, SetupPhase phase,
                                   std::span<uint8_t> following = {}, size_t* followingRead = nullptr);

}  // namespace kalvorin::setup
