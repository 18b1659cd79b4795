// Walking the catalog of joined setup data held whole in memory, by the
// rules of codec/CatalogWalk.h (see codec/Layout.h for the layout).
//
//   spd::CatalogReader reader(joined, header);
//   reader.Verify();                       // the catalog checksum, once
//   for (i = 0; i < header.fileCount; ++i)
//       auto item = reader.Next();         // Result<CatalogReader::Item>
#pragma once

#include "codec/BlockHeader.h"
#include "codec/ByteReader.h"
#include "codec/CatalogEntry.h"
#include "codec/SetupHeader.h"
#include "codec/Status.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace spd {

// Walks the catalog of joined data: Verify() once (it checks the catalog
// checksum), then Next() fileCount times; Next() starts at catalogOffset + 16
// also without Verify().
class CatalogReader {
public:
    struct Item {
        BlockHeader entryBlock;
        CatalogEntry entry;
        BlockHeader contentBlock;
        std::vector<std::uint8_t> content;
    };

    CatalogReader(ByteSpan joined, const SetupHeader& header);

    // Compares the catalog header's checksum with the Adler-32 of everything
    // after it and positions at the first file record:
    //   Truncated         the catalog header lies outside the data
    //   ChecksumMismatch  the checksum differs
    Status Verify();

    // Reads the next file record and content:
    //   Truncated         a header or the stored bytes run past the end
    //   BadSize           the record's expandedSize is not 520 or its storedSize is 0
    //   DecompressError   zlib error in the record or the content
    //   LengthMismatch    the record expanded to other than 520 bytes
    //   ChecksumMismatch  record or content checksum differs
    // The content's produced length is not compared with its expandedSize.
    // After a DecompressError or ChecksumMismatch of the content the reader
    // stands after that content, so the next Next() reads the next file.
    Result<Item> Next();

    BlockHeader catalogHeader() const { return catalogHeader_; }
    std::size_t position() const { return pos_; }

    // Where the last Next() began (its file record) and where its content
    // block begins (0 until the record was read), and the record itself once
    // read, also when the content then failed: for naming a damaged file.
    std::size_t recordOffset() const { return recordOffset_; }
    std::size_t contentOffset() const { return contentOffset_; }
    const std::optional<CatalogEntry>& lastEntry() const { return lastEntry_; }

private:
    ByteSpan joined_;
    SetupHeader header_;
    BlockHeader catalogHeader_;
    std::size_t pos_ = 0;
    std::size_t recordOffset_ = 0;
    std::size_t contentOffset_ = 0;
    std::optional<CatalogEntry> lastEntry_;
};

}  // namespace spd
