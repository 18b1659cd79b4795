// The joined setup data as one whole (see codec/Layout.h): the Adler-32 that
// the SetupHeader records for it, and the check of its length and checksum
// against that header.
#pragma once

#include "codec/ByteReader.h"
#include "codec/SetupHeader.h"
#include "codec/Status.h"

#include <cstdint>

namespace spd {

// Adler-32 of the joined data from offset 192 to the end.
std::uint32_t DataChecksum(ByteSpan joined);

// LengthMismatch when the length differs from dataLength, ChecksumMismatch
// when DataChecksum() differs from dataChecksum.
Status VerifyJoinedData(ByteSpan joined, const SetupHeader& header);

}  // namespace spd
