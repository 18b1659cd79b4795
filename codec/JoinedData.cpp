#include "codec/JoinedData.h"

#include "codec/Checksum.h"

namespace spd {

std::uint32_t DataChecksum(ByteSpan joined) {
    if (joined.size() <= SetupHeader::kSize) return kAdler32Initial;
    return Adler32(joined.subspan(SetupHeader::kSize));
}

Status VerifyJoinedData(ByteSpan joined, const SetupHeader& header) {
    if (joined.size() != header.dataLength) return Status::LengthMismatch;
    if (DataChecksum(joined) != header.dataChecksum) return Status::ChecksumMismatch;
    return Status::Ok;
}

}  // namespace spd
