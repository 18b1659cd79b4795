#include "spdpack/Build.h"

#include "spdpack/OutputFolder.h"
#include "spdpack/ProgressBar.h"
#include "spdpack/SourceFile.h"
#include "spdpack/VolumePlan.h"

#include "codec/PackedProgram.h"
#include "codec/VolumeName.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <random>
#include <unistd.h>

namespace spdpack {

namespace fs = std::filesystem;

namespace {

std::string Failure(spd::Status status)
{
    switch (status) {
    case spd::Status::Overflow:
        return "the setup data is too large (more than 4 GiB)";
    default:
        return spd::StatusText(status);
    }
}

std::string Bytes(std::uint64_t n)
{
    return std::to_string(n) + " bytes";
}

// The room Disk 1 leaves user.spd beside setup.exe and _setup.spd.
std::uint64_t FirstVolumeRoom(const Manifest& m, std::uint64_t setupProgram, std::uint64_t packed)
{
    const std::uint64_t disk1 = setupProgram + packed;
    if (m.volumeSize >= disk1 + spd::kMinVolumeSize)
        return m.volumeSize - disk1;
    throw BuildError(m.path.string() + ": [volumes]: size: " + Bytes(m.volumeSize) + " per disk, but Disk 1 holds setup.exe (" +
                     Bytes(setupProgram) + ") and _setup.spd (" + Bytes(packed) + ") beside user.spd, which needs at least " +
                     Bytes(spd::kMinVolumeSize) + "; the volume size must be at least " +
                     Bytes(disk1 + spd::kMinVolumeSize));
}

// Before anything is read or compressed: setup data that surely cannot be
// counted in 16 bits of volumes or 32 bits of length.
void CheckBeforeCompressing(const Manifest& m, std::uint64_t disk1)
{
    std::vector<std::uint64_t> sizes;
    for (const ManifestFile& f : m.files)
        sizes.push_back(fs::file_size(f.source));
    const LengthBounds bounds = EstimateLength(sizes, m.folders.size());
    if (bounds.least > 0xFFFFFFFFull)
        throw BuildError(m.path.string() + ": the files make more than 4 GiB of setup data even when compressed at best");
    if (m.volumeSize &&
        spd::VolumeFilesFor(bounds.least, m.volumeSize, m.volumeSize - disk1) > kMaxVolumes)
        throw BuildError(m.path.string() + ": [volumes]: size: " + Bytes(m.volumeSize) +
                         " per disk needs more than 65535 volumes, the most the setup data can count; a volume size of " +
                         Bytes(SmallestVolumeSize(std::min<std::uint64_t>(bounds.most, 0xFFFFFFFFull), disk1)) +
                         " is enough whatever the files compress to");
}

}  // namespace

spd::Guid NewSetupId()
{
    std::random_device rd;
    std::array<std::uint8_t, spd::Guid::kSize> bytes{};
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(rd());
    return spd::Guid::FromRandomBytes(bytes);
}

BuildSummary Build(const BuildOptions& options)
{
    Manifest m = LoadManifest(options.manifest);
    const std::string top = m.path.string() + ": manifest";
    if (options.setupProgram) m.setupProgram = options.setupProgram;
    if (options.uninstaller) m.uninstaller = options.uninstaller;
    if (!m.uninstaller)
        throw ManifestError(top + ": uninstaller: missing (the program packed into _setup.spd)");
    if (!m.setupProgram)
        throw ManifestError(top + ": setup_program: missing (the program written as setup.exe)");

    BuildSummary summary;
    summary.folders = m.folders;
    summary.warnings = m.warnings;

    std::vector<std::uint8_t> setupProgram = ReadSourceFile(*m.setupProgram, top + ": setup_program", false);
    auto packed = spd::PackProgram(ReadSourceFile(*m.uninstaller, top + ": uninstaller", true), m.compressionLevel);
    if (!packed)
        throw BuildError(top + ": uninstaller: cannot pack \"" + m.uninstaller->string() + "\": " +
                         (packed.status == spd::Status::BadSize ? "the file is empty" : Failure(packed.status)));
    const std::uint64_t disk1 = setupProgram.size() + packed.value.size();
    const std::uint64_t firstVolume = m.volumeSize ? FirstVolumeRoom(m, setupProgram.size(), packed.value.size()) : 0;
    CheckBeforeCompressing(m, disk1);

    spd::SetupDataSpec spec;
    spec.displayName = m.displayName;
    spec.defaultSubfolder = m.defaultSubfolder;
    if (options.setupId) {
        spec.setupId = *options.setupId;
    } else if (m.setupId) {
        spec.setupId = *m.setupId;
    } else {
        spec.setupId = NewSetupId();
        summary.setupIdGenerated = true;
    }
    spec.level = m.compressionLevel;
    spec.threads = options.threads;
    spec.singleVolumeCount = m.singleVolumeCount;  // cut into volumes below, once the length is known
    for (const ManifestFolder& f : m.folders) {
        spd::FolderEntry e;
        e.folderKind = static_cast<std::uint8_t>(f.kind);
        e.path = f.path;
        spec.folders.push_back(std::move(e));
    }
    for (const ManifestFile& f : m.files) {
        spd::SetupFile file;
        file.entry.flags = f.flags;
        file.entry.folderKind = static_cast<std::uint8_t>(f.kind);
        file.entry.subfolder = f.subfolder;
        file.entry.fileName = f.name;
        file.content = ReadSourceFile(f.source, f.where + ": source", true);
        spec.files.push_back(std::move(file));
    }

    spd::Result<spd::SetupDataImage> image;
    {
        ProgressBar bar(stdout, options.progress, "packing");
        image = spd::BuildSetupData(spec, [&](std::uint64_t done, std::uint64_t total) { bar.Update(done, total); });
    }
    spec.files.clear();
    if (!image)
        throw BuildError(m.path.string() + ": cannot build the setup data: " + Failure(image.status));

    if (m.volumeSize) {
        const std::uint64_t length = image.value.joined.size();
        const std::uint64_t volumes = spd::VolumeFilesFor(length, m.volumeSize, firstVolume);
        if (volumes > kMaxVolumes)
            throw BuildError(m.path.string() + ": [volumes]: size: " + Bytes(m.volumeSize) + " per disk needs " +
                             std::to_string(volumes) + " volumes, more than the 65535 the setup data can count; " +
                             "the smallest volume size that works is " + Bytes(SmallestVolumeSize(length, disk1)));
        if (volumes > kManyVolumes)
            summary.warnings.push_back(m.path.string() + ": [volumes]: size: " + Bytes(m.volumeSize) + " per disk makes " +
                                       std::to_string(volumes) + " volumes, more than " +
                                       std::to_string(kManyVolumes) + " disks to feed one by one");
        image.value.volumes.clear();
        spd::SplitImage(image.value, m.volumeSize, firstVolume, m.singleVolumeCount);
    }
    summary.header = image.value.header;

    OutputFolder out(options.output);
    const bool disks = m.layout == VolumeLayout::DiskFolders;
    auto place = [&](unsigned disk, const std::string& name) {
        return disks ? fs::path(spd::DiskFolderName(disk)) / name : fs::path(name);
    };
    out.Write(place(1, "setup.exe"), setupProgram);
    // Test seam: a stop that comes while the staging folder is being written.
    if (std::getenv("SPDPACK_TEST_STOP_WHILE_STAGING")) {
        kill(getpid(), SIGTERM);
        for (;;)
            pause();
    }
    out.Write(place(1, spd::kPackedProgramFile), packed.value);
    const auto& volumes = image.value.volumes;
    out.Write(place(1, spd::kSetupDataFile), volumes[0]);
    for (unsigned n = 1; n < volumes.size(); ++n)
        out.Write(place(n + 1, spd::VolumeFileName(n)), volumes[n]);
    out.Commit();
    summary.written = out.written();
    return summary;
}

}  // namespace spdpack
