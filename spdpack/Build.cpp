#include "spdpack/Build.h"

#include "spdpack/Manifest.h"
#include "spdpack/OutputFolder.h"
#include "spdpack/ProgressBar.h"

#include "codec/PackedProgram.h"
#include "codec/VolumeName.h"

#include <fstream>
#include <iterator>
#include <random>

namespace spdpack {

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> ReadFile(const fs::path& path, const std::string& where)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw BuildError(where + ": cannot read \"" + path.string() + "\"");
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw BuildError(where + ": cannot read \"" + path.string() + "\"");
    return bytes;
}

std::string Failure(spd::Status status)
{
    switch (status) {
    case spd::Status::Overflow:
        return "the setup data is too large (more than 4 GiB, 65535 files or 65535 volumes)";
    default:
        return spd::StatusText(status);
    }
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
    spec.volumeSize = m.volumeSize;
    spec.singleVolumeCount = m.singleVolumeCount;
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
        file.content = ReadFile(f.source, f.where + ": source");
        spec.files.push_back(std::move(file));
    }
    std::vector<std::uint8_t> uninstaller = ReadFile(*m.uninstaller, top + ": uninstaller");
    std::vector<std::uint8_t> setupProgram = ReadFile(*m.setupProgram, top + ": setup_program");

    auto packed = spd::PackProgram(uninstaller, m.compressionLevel);
    if (!packed)
        throw BuildError(top + ": uninstaller: cannot pack \"" + m.uninstaller->string() + "\": " +
                         (packed.status == spd::Status::BadSize ? "the file is empty" : Failure(packed.status)));

    spd::Result<spd::SetupDataImage> image;
    {
        ProgressBar bar(stdout, options.progress, "packing");
        image = spd::BuildSetupData(spec, [&](std::uint64_t done, std::uint64_t total) { bar.Update(done, total); });
    }
    if (!image)
        throw BuildError(m.path.string() + ": cannot build the setup data: " + Failure(image.status));
    summary.header = image.value.header;

    OutputFolder out(options.output);
    const bool disks = m.layout == VolumeLayout::DiskFolders;
    auto place = [&](unsigned disk, const std::string& name) {
        return disks ? fs::path(spd::DiskFolderName(disk)) / name : fs::path(name);
    };
    out.Write(place(1, "setup.exe"), setupProgram);
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
