#include "run/SetupWork.h"

#include <algorithm>
#include <new>
#include <span>

#include "codec/Checksum.h"
#include "run/WorkerOps.h"

namespace kalvorin::setup {

SetupWork::SetupWork(CSetupSync& sync, SetupContext& context) : sync(sync), context(context) {}

void SetupWork::CancelPoint() {
    if (onCancelPoint) onCancelPoint();
    CheckCancel(sync);
}

std::vector<uint8_t> SetupWork::Allocate(size_t size, SetupPhase phase) {
    try {
        if (size > allocationLimit) throw std::bad_alloc();
        return std::vector<uint8_t>(size);
    } catch (const std::bad_alloc&) {
        throw CSetupException(phase, SetupCause::OutOfMemory);
    }
}

std::vector<uint8_t>& SetupWork::ChunkBuffer(SetupPhase phase) {
    if (chunkBuffer_.size() != kChunkSize) chunkBuffer_ = Allocate(kChunkSize, phase);
    return chunkBuffer_;
}

uint32_t SetupWork::ChecksumOfJoinedFrom(uint64_t offset, SetupPhase phase) {
    uint32_t unused = 0;
    return ChecksumOfJoinedFrom(offset, phase, offset, unused);
}

uint32_t SetupWork::ChecksumOfJoinedFrom(uint64_t offset, SetupPhase phase, uint64_t split, uint32_t& fromSplit) {
    std::vector<uint8_t>& buffer = ChunkBuffer(phase);
    joined.Seek(static_cast<int64_t>(offset), CFile::begin);
    uint64_t position = offset;
    uint32_t head = spd::kAdler32Initial;  // the bytes before split
    uint32_t tail = spd::kAdler32Initial;  // the bytes from split on
    uint64_t tailLength = 0;
    for (;;) {
        const UINT read = joined.Read(buffer.data(), static_cast<UINT>(buffer.size()));
        if (read == 0) break;
        CancelPoint();
        const std::span<const uint8_t> bytes(buffer.data(), read);
        const size_t before = position >= split ? 0 : static_cast<size_t>(std::min<uint64_t>(split - position, read));
        head = spd::Adler32Update(head, bytes.first(before));
        tail = spd::Adler32Update(tail, bytes.subspan(before));
        tailLength += read - before;
        position += read;
    }
    fromSplit = tail;
    return spd::Adler32Combine(head, tail, tailLength);
}

void SetupWork::Release() {
    joined.Abort();
    checksumFromFirstRecord.reset();
    std::vector<uint8_t>().swap(chunkBuffer_);
    currentFile = CatalogFile();
    blockBuffer.Release();
    extractedFiles.clear();
    baseFolders.Clear();
}

}  // namespace kalvorin::setup
