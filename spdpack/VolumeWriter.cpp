#include "spdpack/VolumeWriter.h"

#include "spdpack/VolumePlan.h"

#include "codec/SetupData.h"

#include <algorithm>
#include <limits>

namespace spdpack {

VolumeWriter::VolumeWriter(std::uint64_t volumeSize, std::uint64_t firstVolumeSize, spd::VolumeHeader identity,
                           VolumeFile volumeFile, ScratchFile scratchFile)
    : volumeSize_(volumeSize),
      firstVolumeSize_(firstVolumeSize ? firstVolumeSize : volumeSize),
      identity_(std::move(identity)),
      volumeFile_(std::move(volumeFile)),
      scratchFile_(std::move(scratchFile)) {}

std::uint64_t VolumeWriter::VolumeStart(std::uint64_t volume) const {
    return volume == 0 ? 0 : firstVolumeSize_ + (volume - 1) * (volumeSize_ - spd::VolumeHeader::kSize);
}

void VolumeWriter::Open(std::uint64_t volume) {
    current_.Close();
    current_ = volumeFile_(static_cast<unsigned>(volume), false);
    currentVolume_ = volume;
    if (volume > 0) {
        spd::VolumeHeader header = identity_;
        header.volumeNumber = static_cast<std::uint16_t>(volume);
        current_.Write(header.Encode());
    }
}

bool VolumeWriter::Split() const {
    return volumeSize_ > spd::VolumeHeader::kSize;
}

std::uint64_t VolumeWriter::volumeFiles() const {
    return Split() ? spd::VolumeFilesFor(length_, volumeSize_, firstVolumeSize_) : 1;
}

VolumeWriter::Place VolumeWriter::Locate(std::uint64_t offset) const {
    if (!Split()) return {0, offset, std::numeric_limits<std::uint64_t>::max()};
    if (offset < firstVolumeSize_) return {0, offset, firstVolumeSize_ - offset};
    const std::uint64_t perVolume = volumeSize_ - spd::VolumeHeader::kSize;
    const std::uint64_t into = (offset - firstVolumeSize_) % perVolume;
    return {1 + (offset - firstVolumeSize_) / perVolume, spd::VolumeHeader::kSize + into, perVolume - into};
}

void VolumeWriter::Write(spd::ByteSpan bytes) {
    while (!bytes.empty()) {
        const Place at = Locate(length_);
        if (at.volume >= kMaxVolumes) {
            length_ += bytes.size();  // counted, not written
            return;
        }
        std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), at.room));
        if (at.volume >= kDirectVolumes) {
            // The scratch file holds the volumes one after the other without
            // their headers: everything up to the last countable volume at once.
            take = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), VolumeStart(kMaxVolumes) - length_));
            if (!scratch_.IsOpen()) {
                current_.Close();
                scratch_ = scratchFile_();
            }
            scratch_.Write(bytes.first(take));
        } else {
            if (!current_.IsOpen() || at.volume != currentVolume_) Open(at.volume);
            current_.Write(bytes.first(take));
        }
        bytes = bytes.subspan(take);
        length_ += take;
    }
}

void VolumeWriter::WriteAt(std::uint64_t offset, spd::ByteSpan bytes) {
    while (!bytes.empty()) {
        const Place at = Locate(offset);
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), at.room));
        if (at.volume >= kDirectVolumes && at.volume < kMaxVolumes) {
            scratch_.WriteAt(offset - VolumeStart(kDirectVolumes), bytes.first(take));
        } else if (at.volume < kMaxVolumes) {
            if (current_.IsOpen() && at.volume == currentVolume_) {
                current_.WriteAt(at.offset, bytes.first(take));
            } else {
                StagedFile earlier = volumeFile_(static_cast<unsigned>(at.volume), true);
                earlier.WriteAt(at.offset, bytes.first(take));
                earlier.Close();
            }
        }
        bytes = bytes.subspan(take);
        offset += take;
    }
}

void VolumeWriter::Close() {
    current_.Close();
    if (!scratch_.IsOpen()) return;
    const std::uint64_t volumes = volumeFiles();
    if (volumes <= kMaxVolumes) {
        std::vector<std::uint8_t> buffer(1u << 20);
        const std::uint64_t scratchStart = VolumeStart(kDirectVolumes);
        for (std::uint64_t v = kDirectVolumes; v < volumes; ++v) {
            Open(v);
            const std::uint64_t end = std::min(length_, VolumeStart(v + 1));
            for (std::uint64_t at = VolumeStart(v); at < end;) {
                const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(end - at, buffer.size()));
                scratch_.ReadAt(at - scratchStart, buffer.data(), n);
                current_.Write(spd::ByteSpan(buffer.data(), n));
                at += n;
            }
        }
        current_.Close();
    }
    scratch_.Close();
}

}  // namespace spdpack
