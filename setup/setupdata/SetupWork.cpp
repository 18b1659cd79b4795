#include "setupdata/SetupWork.h"

#include <new>

#include "worker/WorkerOps.h"

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

void SetupWork::Release() {
    joined.Abort();
    std::vector<uint8_t>().swap(chunkBuffer_);
    currentFile = CatalogFile();
    baseFolders.Clear();
}
