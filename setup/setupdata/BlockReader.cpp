#include "setupdata/BlockReader.h"

#include <array>
#include <new>

#include "codec/Checksum.h"
#include "codec/Compression.h"
#include "framework/File.h"
#include "setupdata/SetupFiles.h"
#include "setupdata/SetupWork.h"

bool ReadBlockHeader(CFile& file, spd::BlockHeader& header) {
    std::array<uint8_t, spd::BlockHeader::kSize> bytes{};
    if (ReadUpTo(file, bytes.data(), static_cast<UINT>(bytes.size())) != bytes.size()) return false;
    header = *spd::BlockHeader::Decode(bytes);
    return true;
}

std::vector<uint8_t> ReadBlock(SetupWork& work, const spd::BlockHeader& header, SetupPhase phase) {
    CFile& file = work.joined;
    // Sizes beyond the end of the data cannot be read whatever memory there
    // is: no buffer is made for them.
    const uint64_t position = file.GetPosition();
    const uint64_t length = file.GetLength();
    if (position > length || header.storedSize > length - position) {
        throw CSetupException(phase, SetupCause::DamagedSetupFile);
    }

    std::vector<uint8_t> stored = work.Allocate(header.storedSize, phase);
    if (ReadUpTo(file, stored.data(), header.storedSize) != header.storedSize) {
        throw CSetupException(phase, SetupCause::DamagedSetupFile);
    }
    if (header.expandedSize > work.allocationLimit) throw CSetupException(phase, SetupCause::OutOfMemory);

    spd::Result<std::vector<uint8_t>> expanded;
    try {
        expanded = spd::Expand(stored, header.expandedSize);
    } catch (const std::bad_alloc&) {
        throw CSetupException(phase, SetupCause::OutOfMemory);
    }
    std::vector<uint8_t>().swap(stored);
    if (!expanded.ok()) throw CSetupException(phase, SetupCause::DecompressError);
    if (spd::Adler32(expanded.value) != header.checksum) throw CSetupException(phase, SetupCause::DamagedSetupFile);
    return std::move(expanded.value);
}
