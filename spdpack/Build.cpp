#include "spdpack/Build.h"

#include "spdpack/OutputFolder.h"
#include "spdpack/ProgressBar.h"
#include "spdpack/SourceFile.h"
#include "spdpack/StreamCompressor.h"
#include "spdpack/StreamSinks.h"
#include "spdpack/VolumePlan.h"
#include "spdpack/VolumeWriter.h"

#include "codec/Checksum.h"
#include "codec/FolderTable.h"
#include "codec/VolumeName.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <numeric>
#include <random>
#include <unistd.h>

namespace spdpack {

namespace fs = std::filesystem;

namespace {

std::string Bytes(std::uint64_t n) {
    return std::to_string(n) + " bytes";
}

// The room Disk 1 leaves user.spd beside setup.exe and _setup.spd.
std::uint64_t FirstVolumeRoom(const Manifest& m, std::uint64_t setupProgram, std::uint64_t packed) {
    const std::uint64_t disk1 = setupProgram + packed;
    if (m.volumeSize >= disk1 + spd::kMinVolumeSize) return m.volumeSize - disk1;
    throw BuildError(m.path.string() + ": [volumes]: size: " + Bytes(m.volumeSize) +
                     " per disk, but Disk 1 holds setup.exe (" + Bytes(setupProgram) + ") and _setup.spd (" +
                     Bytes(packed) + ") beside user.spd, which needs at least " + Bytes(spd::kMinVolumeSize) +
                     "; the volume size must be at least " + Bytes(disk1 + spd::kMinVolumeSize));
}

// Before anything is read or compressed: setup data that surely cannot be
// counted in 16 bits of volumes or 32 bits of length.
void CheckBeforeCompressing(const Manifest& m, const std::vector<std::uint64_t>& sizes, std::uint64_t disk1) {
    const LengthBounds bounds = EstimateLength(sizes, m.folders.size());
    if (bounds.least > 0xFFFFFFFFull)
        throw BuildError(m.path.string() +
                         ": the files make more than 4 GiB of setup data even when compressed at best");
    if (m.volumeSize && spd::VolumeFilesFor(bounds.least, m.volumeSize, m.volumeSize - disk1) > kMaxVolumes)
        throw BuildError(
            m.path.string() + ": [volumes]: size: " + Bytes(m.volumeSize) +
            " per disk needs more than 65535 volumes, the most the setup data can count; a volume size of " +
            Bytes(SmallestVolumeSize(std::min<std::uint64_t>(bounds.most, 0xFFFFFFFFull), disk1)) +
            " is enough whatever the files compress to");
}

// Copies the setup program into staging through one buffer; returns its size.
std::uint64_t CopySetupProgram(OutputFolder& out, const fs::path& relative, const fs::path& source,
                               const std::string& where) {
    SourceReader reader(source, where, false);
    StagedFile file = out.Create(relative);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(reader.size(), 1u << 20)));
    for (std::uint64_t left = reader.size(); left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        reader.Read(buffer.data(), n);
        file.Write(spd::ByteSpan(buffer.data(), n));
        left -= n;
    }
    reader.Finish();
    file.Close();
    return reader.size();
}

}  // namespace

spd::Guid NewSetupId() {
    std::random_device rd;
    std::array<std::uint8_t, spd::Guid::kSize> bytes{};
    for (auto& b : bytes) b = static_cast<std::uint8_t>(rd());
    return spd::Guid::FromRandomBytes(bytes);
}

BuildSummary Build(const BuildOptions& options) {
    Manifest m = LoadManifest(options.manifest);
    const std::string top = m.path.string() + ": manifest";
    if (options.setupProgram) m.setupProgram = options.setupProgram;
    if (options.uninstaller) m.uninstaller = options.uninstaller;
    if (!m.uninstaller) throw ManifestError(top + ": uninstaller: missing (the program packed into _setup.spd)");
    if (!m.setupProgram) throw ManifestError(top + ": setup_program: missing (the program written as setup.exe)");

    BuildSummary summary;
    summary.folders = m.folders;
    summary.warnings = m.warnings;

    spd::SetupHeader& h = summary.header;
    h.displayName = m.displayName;
    h.defaultSubfolder = m.defaultSubfolder;
    if (options.setupId) {
        h.setupId = *options.setupId;
    } else if (m.setupId) {
        h.setupId = *m.setupId;
    } else {
        h.setupId = NewSetupId();
        summary.setupIdGenerated = true;
    }
    h.folderCount = static_cast<std::uint16_t>(m.folders.size());
    h.fileCount = static_cast<std::uint16_t>(m.files.size());

    // Everything is written into the staging folder as it is made.
    OutputFolder out(options.output);
    const bool disks = m.layout == VolumeLayout::DiskFolders;
    auto place = [&](unsigned disk, const std::string& name) {
        return disks ? fs::path(spd::DiskFolderName(disk)) / name : fs::path(name);
    };
    const std::uint64_t setupProgram =
        CopySetupProgram(out, place(1, "setup.exe"), *m.setupProgram, top + ": setup_program");
    // Test seam: a stop that comes while the staging folder is being written.
    if (std::getenv("SPDPACK_TEST_STOP_WHILE_STAGING")) {
        kill(getpid(), SIGTERM);
        for (;;) pause();
    }

    std::uint64_t packed = 0;
    {
        StagedFile file = out.Create(place(1, spd::kPackedProgramFile));
        const std::string where = top + ": uninstaller";
        PackedProgramSink sink(file, where, *m.uninstaller);
        CompressStreams({{*m.uninstaller, where, true}}, m.compressionLevel, options.threads, sink);
        file.Close();
        packed = sink.length();
    }
    const std::uint64_t disk1 = setupProgram + packed;
    const std::uint64_t firstVolume = m.volumeSize ? FirstVolumeRoom(m, setupProgram, packed) : 0;
    std::vector<std::uint64_t> sizes;
    for (const ManifestFile& f : m.files) sizes.push_back(fs::file_size(f.source));
    CheckBeforeCompressing(m, sizes, disk1);

    std::vector<spd::FolderEntry> folders;
    for (const ManifestFolder& f : m.folders) {
        spd::FolderEntry e;
        e.folderKind = static_cast<std::uint8_t>(f.kind);
        e.path = f.path;
        folders.push_back(std::move(e));
    }
    auto table = spd::EncodeFolderTable(folders, m.compressionLevel);
    if (!table) throw BuildError(m.path.string() + ": cannot build the setup data: " + FailureText(table.status));
    h.catalogOffset = static_cast<std::uint32_t>(spd::SetupHeader::kSize + table.value.size());

    spd::VolumeHeader identity;
    identity.displayName = h.displayName;
    identity.setupId = h.setupId;
    VolumeWriter joined(
        m.volumeSize, firstVolume, identity,
        [&](unsigned volume, bool reopen) {
            const fs::path relative =
                place(volume + 1, volume == 0 ? std::string(spd::kSetupDataFile) : spd::VolumeFileName(volume));
            return reopen ? out.Reopen(relative) : out.Create(relative);
        },
        [&] { return out.CreateScratch("volumes.tmp"); });
    joined.Write(std::vector<std::uint8_t>(spd::SetupHeader::kSize, 0));  // written again at the end
    joined.Write(table.value);
    joined.Write(std::vector<std::uint8_t>(spd::BlockHeader::kSize, 0));  // the catalog header, too

    std::vector<StreamSource> sources;
    for (const ManifestFile& f : m.files) sources.push_back({f.source, f.where + ": source", true});
    const std::uint64_t total = std::accumulate(sizes.begin(), sizes.end(), std::uint64_t{0});
    CatalogSink catalog(joined, m);
    {
        ProgressBar bar(stdout, options.progress, "packing");
        CompressStreams(sources, m.compressionLevel, options.threads, catalog,
                        [&](std::uint64_t done) { bar.Update(done, total); });
    }

    const std::uint64_t length = joined.length();
    const std::uint64_t volumes = joined.volumeFiles();
    if (volumes > kMaxVolumes)
        throw BuildError(m.path.string() + ": [volumes]: size: " + Bytes(m.volumeSize) + " per disk needs " +
                         std::to_string(volumes) + " volumes, more than the 65535 the setup data can count; " +
                         "the smallest volume size that works is " + Bytes(SmallestVolumeSize(length, disk1)));
    if (volumes > kManyVolumes)
        summary.warnings.push_back(m.path.string() + ": [volumes]: size: " + Bytes(m.volumeSize) + " per disk makes " +
                                   std::to_string(volumes) + " volumes, more than " + std::to_string(kManyVolumes) +
                                   " disks to feed one by one");

    spd::BlockHeader catalogHeader;
    catalogHeader.checksum = catalog.adler();
    catalogHeader.storedSize = static_cast<std::uint32_t>(catalog.length());
    catalogHeader.expandedSize = catalogHeader.storedSize;
    const auto catalogBytes = catalogHeader.Encode();
    h.volumeCount = volumes > 1 ? static_cast<std::uint16_t>(volumes) : m.singleVolumeCount;
    h.dataLength = static_cast<std::uint32_t>(length);
    h.dataChecksum = spd::Adler32Combine(spd::Adler32Update(spd::Adler32(table.value), catalogBytes), catalog.adler(),
                                         catalog.length());
    joined.WriteAt(h.catalogOffset, catalogBytes);
    joined.WriteAt(0, h.Encode());
    joined.Close();

    out.Commit();
    summary.written = out.written();
    return summary;
}

}  // namespace spdpack
