// The folder table at offset 192 of the joined setup data: one BlockHeader
// and one zlib stream that expands to folderCount folder records of 274
// bytes each (see codec/Layout.h).
#pragma once

#include "codec/ByteReader.h"
#include "codec/FolderEntry.h"
#include "codec/Status.h"

#include <cstdint>
#include <vector>

namespace spd {

struct FolderTable {
    bool present = false;              // false: the BlockHeader says "no table"
    std::vector<FolderEntry> entries;  // in stored order
};

// The whole table as it lies at offset 192: BlockHeader and compressed
// records, or, for no folders, a BlockHeader with zero checksum and sizes.
Result<std::vector<std::uint8_t>> EncodeFolderTable(const std::vector<FolderEntry>& entries, int level);

// Reads the table from the bytes starting at offset 192:
//   Truncated         fewer than 16 header bytes, or fewer than storedSize after it
//   DecompressError   zlib error
//   LengthMismatch    produced length differs from expandedSize or folderCount * 274
//   ChecksumMismatch  block checksum differs
//   BadRecord, ChecksumMismatch, BadKind  from a record (see DecodeFolderRecord)
// A header with a zero checksum or size gives an absent table (status Ok).
Result<FolderTable> DecodeFolderTable(ByteSpan fromTable, std::uint16_t folderCount);

// Orders entries by path, comparing the stored bytes; equal paths keep their
// order, and a parent comes before its subfolders.
void SortFolderEntries(std::vector<FolderEntry>& entries);

}  // namespace spd
