#include "run/SetupWork.h"

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
    std::vector<uint8_t>& buffer = ChunkBuffer(phase);
    joined.Seek(static_cast<int64_t>(offset), CFile::begin);
    uint32_t adler = spd::kAdler32Initial;
    for (;;) {
        const UINT read = joined.Read(buffer.data(), static_cast<UINT>(buffer.size()));
        if (read == 0) break;
        CancelPoint();
        adler = spd::Adler32Update(adler, std::span<const uint8_t>(buffer.data(), read));
    }
    return adler;
}

void SetupWork::Release() {
    joined.Abort();
    std::vector<uint8_t>().swap(chunkBuffer_);
    currentFile = CatalogFile();
    blockBuffer.Release();
    extractedFiles.clear();
    baseFolders.Clear();
}

}  // namespace kalvorin::setup
