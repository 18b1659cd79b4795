// The working state of one installation run of the worker thread, from the
// preparation to the last file: where the setup data comes from, the private
// temporary folder, the base folders, the validated header, the copies of the
// data files, the open joined setup data and the file being installed.
// Everything it holds is released by Release() at the end of the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "codec/BlockDecoder.h"
#include "codec/SetupHeader.h"
#include "context/SetupContext.h"
#include "framework/File.h"
#include "run/BaseFolderMap.h"
#include "run/BlockBuffer.h"
#include "run/CatalogFile.h"
#include "run/InstallRecord.h"
#include "run/RememberedAnswer.h"
#include "run/SetupException.h"
#include "run/SetupSync.h"

namespace kalvorin::setup {

class VolumePrompt;

// Size of the one buffer through which the joining and the checksum passes
// move the setup data.
constexpr std::size_t kChunkSize = 512 * 1024;

class SetupWork {
public:
    SetupWork(CSetupSync& sync, SetupContext& context);
    SetupWork(const SetupWork&) = delete;
    SetupWork& operator=(const SetupWork&) = delete;

    CSetupSync& sync;
    SetupContext& context;
    InstallRecord record;

    std::string sourceFolder;  // folder of the setup program, trailing backslash
    std::string tempFolder;    // private temporary folder, trailing backslash
    BaseFolderMap baseFolders;
    std::vector<std::string> dataFiles;     // _setup.spd, user.spd in sourceFolder
    std::string packedProgramCopy;          // copy of _setup.spd in tempFolder
    std::vector<std::string> volumeCopies;  // copies of user.spd, user.001, ... in tempFolder
    spd::SetupHeader header;                // validated header of user.spd
    CFile joined;                           // the joined setup data, open for reading
    CatalogFile currentFile;                // the file read last
    uint16_t filesRead = 0;                 // catalog files read so far
    // The Adler-32 of the joined data from its first file record on, taken
    // in the pass that verified the whole data: the joined file is this
    // run's own and open without sharing, so the catalog check need not read
    // it all again.
    std::optional<uint32_t> checksumFromFirstRecord;

    // Where the blocks are read and expanded (see BlockReader.h), and the
    // inflate state they are expanded with; both kept from block to block.
    BlockBuffer blockBuffer;
    spd::BlockDecoder decoder;
    // Names of the temporary files the file phase made in tempFolder: they
    // exist until the end of the run, so a name drawn again is known to be
    // taken without asking the file system.
    std::unordered_set<std::string> extractedFiles;

    // Kept from the file loop for the finishing stages.
    std::string screensaverPath;           // target of the file flagged Screensaver (the last one)
    std::string configPath;                // target of the file flagged Config (the last one)
    std::vector<std::string> sharedFiles;  // targets of the files flagged Shared, in catalog order
    RememberedAnswer answers;              // the same-problem memory of the replacement questions

    // Asks for a volume that cannot be found; nullptr: DiskPrompt(), the
    // program's disk prompt.
    VolumePrompt* prompt = nullptr;

    // A cancel point: CheckCancel on the run's coordination record.
    void CancelPoint();

    // A zero-initialised buffer of `size` bytes; (phase, OutOfMemory) when
    // it cannot be had.
    std::vector<uint8_t> Allocate(size_t size, SetupPhase phase);

    // The 512 KiB buffer of the joining and the checksum passes, made on
    // first use and kept until Release(); (phase, OutOfMemory) when it
    // cannot be had.
    std::vector<uint8_t>& ChunkBuffer(SetupPhase phase);

    // Adler-32 of the joined data from `offset` to its end, read through the
    // 512 KiB buffer with a cancel point after each read that returned data.
    // In the same pass, `fromSplit` gets that of the bytes from `split` on.
    uint32_t ChecksumOfJoinedFrom(uint64_t offset, SetupPhase phase);
    uint32_t ChecksumOfJoinedFrom(uint64_t offset, SetupPhase phase, uint64_t split, uint32_t& fromSplit);

    // Closes the joined data and frees the buffers, the current file and the
    // base folders. The record is left alone.
    void Release();

    // Test seams. `onCancelPoint` runs at every cancel point just before the
    // cancel event is tested. Requests above `allocationLimit` bytes fail as
    // if the memory were not there; by default that is the most the shipped
    // 32-bit program can hold in one piece (half its address space), in the
    // 64-bit build as well, so that both tell lack of memory alike and a
    // huge size is lack of memory and not a length error.
    std::function<void()> onCancelPoint;
    size_t allocationLimit = static_cast<size_t>(INT32_MAX);
    // Runs just before a file's version block is read (after its size was
    // asked for), with the file's path.
    std::function<void(const std::string&)> beforeVersionRead;

private:
    std::vector<uint8_t> chunkBuffer_;
};

}  // namespace kalvorin::setup
