// The joined setup data as a whole: building it from folders and files,
// cutting it into volumes, joining volumes again, verifying it, and walking
// its catalog (see codec/Layout.h for the layout).
//
// Building: fill a SetupDataSpec and call BuildSetupData(); every file is
// compressed on its own thread pool slot (each block is its own zlib stream),
// and the result is the same bytes whatever the number of threads.
//
// Reading: JoinVolumes() (several files) or the user.spd bytes alone, then
// VerifyJoinedData(), DecodeFolderTable() on the bytes from offset 192, and
// a CatalogReader for the files.
#pragma once

#include "codec/BlockHeader.h"
#include "codec/CatalogEntry.h"
#include "codec/Compression.h"
#include "codec/FolderEntry.h"
#include "codec/SetupHeader.h"
#include "codec/Status.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace spd {

struct SetupFile {
    CatalogEntry entry;
    std::vector<std::uint8_t> content;
};

struct SetupDataSpec {
    std::string displayName;
    std::string defaultSubfolder;
    Guid setupId;
    std::vector<FolderEntry> folders;
    std::vector<SetupFile> files;       // in installation order; at least one
    int level = kDefaultCompressionLevel;
    unsigned threads = 0;               // 0: one per hardware thread
    std::uint64_t volumeSize = 0;       // largest volume file; 0: no split
    std::uint64_t firstVolumeSize = 0;  // largest user.spd when split; 0: volumeSize
    std::uint16_t singleVolumeCount = 1;  // volumeCount written when all fits in user.spd (0 or 1)
};

struct SetupDataImage {
    SetupHeader header;
    std::vector<std::uint8_t> joined;                // the joined setup data
    std::vector<std::vector<std::uint8_t>> volumes;  // [0] = user.spd, [n] = user.00n
};

// Smallest volume size accepted: room for the header and some data.
constexpr std::uint64_t kMinVolumeSize = 512;

// Called after each file was compressed, from the compressing threads but
// never from two at once: bytes of content done so far and in total.
using ProgressFn = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Builds the joined data and its volumes:
//   BadSize   no files, or a volume size below kMinVolumeSize
//   Overflow  more than 65535 files, folders or volumes, or more than 4 GiB
//   CompressError  zlib failed
Result<SetupDataImage> BuildSetupData(const SetupDataSpec& spec, const ProgressFn& progress = {});

// Number of volume files for joined data of length bytes with volumes of
// at most volumeSize bytes (user.spd holds firstVolumeSize bytes of the
// data, volumeSize when 0; a further volume its 88-byte header and
// volumeSize - 88 bytes).
std::uint64_t VolumeFilesFor(std::uint64_t length, std::uint64_t volumeSize, std::uint64_t firstVolumeSize = 0);

// Cuts joined data into volume files as described at VolumeFilesFor().
std::vector<std::vector<std::uint8_t>> SplitIntoVolumes(ByteSpan joined, const SetupHeader& header,
                                                        std::uint64_t volumeSize, std::uint64_t firstVolumeSize = 0);

// Sets the volumeCount of a built image for the given volume sizes (as
// VolumeFilesFor(); volumeSize 0: no split, volumeCount singleVolumeCount),
// writes the header anew and cuts image.volumes from image.joined.
// Overflow when more than 65535 volumes would be needed.
Status SplitImage(SetupDataImage& image, std::uint64_t volumeSize, std::uint64_t firstVolumeSize,
                  std::uint16_t singleVolumeCount);

// user.spd whole, then each further volume without its first 88 bytes.
// Truncated when a further volume is shorter than 88 bytes.
Result<std::vector<std::uint8_t>> JoinVolumes(const std::vector<ByteSpan>& volumes);

// Adler-32 of the joined data from offset 192 to the end.
std::uint32_t DataChecksum(ByteSpan joined);

// LengthMismatch when the length differs from dataLength, ChecksumMismatch
// when DataChecksum() differs from dataChecksum.
Status VerifyJoinedData(ByteSpan joined, const SetupHeader& header);

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
