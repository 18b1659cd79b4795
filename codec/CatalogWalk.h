// The rules of the catalog walk (see codec/Layout.h), the same for every
// reader of the catalog whatever way it comes by the bytes: CatalogReader
// takes them from a span of the joined data, the setup program reads its
// files through a block buffer of its own. Each reader does its own reading
// and asks these functions what to make of what it read.
//
//   catalog header   at catalogOffset; its checksum covers the data from
//                    FirstFileRecordOffset() to the end, where the walk starts
//   for each file    BlockHeader of the record: CheckFileRecordHeader(),
//                    before its stored bytes are read
//                    the expanded record: DecodeFileRecord()
//                    BlockHeader and content: the content is checked by its
//                    Adler-32 only, its length is not compared with the
//                    header's expandedSize
#pragma once

#include "codec/BlockHeader.h"
#include "codec/ByteReader.h"
#include "codec/CatalogEntry.h"
#include "codec/SetupHeader.h"
#include "codec/Status.h"

#include <cstdint>

namespace spd {

// Offset in the joined data of the first file record: right after the
// catalog header, where the run that its checksum covers begins.
std::uint64_t FirstFileRecordOffset(const SetupHeader& header);

// The BlockHeader of a file record: BadSize unless it expands to exactly
// 520 bytes from at least one stored byte, else Ok.
Status CheckFileRecordHeader(const BlockHeader& header);

// The file record from the bytes its block expanded to: LengthMismatch
// unless there are exactly 520 of them.
Result<CatalogEntry> DecodeFileRecord(ByteSpan expanded);

}  // namespace spd
