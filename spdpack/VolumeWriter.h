// Writes the joined setup data straight into its volume files as it is made:
// user.spd takes the first firstVolumeSize bytes, every further volume its
// 88-byte VolumeHeader and the next volumeSize - 88 bytes (the cut of
// spd::VolumeFilesFor()). A volume file is created when its first byte
// comes. Bytes written before can be written again: the headers whose
// checksums and sizes are known only at the end.
//
// A build of many small volumes may need more than the format can count,
// which shows only at its end: the volumes after the first kDirectVolumes go
// into one scratch file and are cut from it at Close(), so that a build
// refused for too many volumes has not made tens of thousands of files first. Beyond kMaxVolumes volumes nothing more
// is written but the length is still counted, so that the build can say how many volumes the data would need.
#pragma once

#include "spdpack/OutputFolder.h"

#include "codec/ByteReader.h"
#include "codec/VolumeHeader.h"

#include <cstdint>
#include <functional>

namespace spdpack {

class VolumeWriter {
public:
    // Creates (reopen false) or opens again (reopen true) the file of a
    // volume: 0 is user.spd.
    using VolumeFile = std::function<StagedFile(unsigned volume, bool reopen)>;
    // Creates the scratch file, open for reading and writing.
    using ScratchFile = std::function<StagedFile()>;

    // Volumes written straight into their files.
    static constexpr std::uint64_t kDirectVolumes = 16;

    // volumeSize 0: everything in user.spd. identity: the display name and
    // setup id every further volume's header carries.
    VolumeWriter(std::uint64_t volumeSize, std::uint64_t firstVolumeSize, spd::VolumeHeader identity,
                 VolumeFile volumeFile, ScratchFile scratchFile);

    // Appends bytes to the joined data.
    void Write(spd::ByteSpan bytes);

    // Writes bytes at an offset of the joined data below length().
    void WriteAt(std::uint64_t offset, spd::ByteSpan bytes);

    // Cuts the volumes from the scratch file (unless there are more than
    // kMaxVolumes) and closes every file; a failure throws.
    void Close();

    std::uint64_t length() const { return length_; }

    // Volume files the data written so far needs (also beyond kMaxVolumes).
    std::uint64_t volumeFiles() const;

private:
    struct Place {
        std::uint64_t volume = 0;
        std::uint64_t offset = 0;  // in the volume file
        std::uint64_t room = 0;    // bytes of the volume from offset on
    };
    Place Locate(std::uint64_t offset) const;
    bool Split() const;
    std::uint64_t VolumeStart(std::uint64_t volume) const;
    void Open(std::uint64_t volume);

    std::uint64_t volumeSize_;
    std::uint64_t firstVolumeSize_;
    spd::VolumeHeader identity_;
    VolumeFile volumeFile_;
    ScratchFile scratchFile_;
    StagedFile scratch_;
    StagedFile current_;
    std::uint64_t currentVolume_ = 0;
    std::uint64_t length_ = 0;
};

}  // namespace spdpack
