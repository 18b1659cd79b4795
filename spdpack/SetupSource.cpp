#include "spdpack/SetupSource.h"

#include "spdpack/Cp1252.h"
#include "spdpack/DataFileKind.h"
#include "spdpack/OutputFolder.h"

#include "codec/VolumeName.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>

namespace spdpack {

namespace fs = std::filesystem;

std::optional<std::vector<std::uint8_t>> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

namespace {

fs::path FindUserSpd(const fs::path& target) {
    std::error_code ec;
    if (!fs::is_directory(target, ec)) return target;
    if (fs::exists(target / spd::kSetupDataFile, ec)) return target / spd::kSetupDataFile;
    fs::path disk1 = target / spd::DiskFolderName(1) / spd::kSetupDataFile;
    if (fs::exists(disk1, ec)) return disk1;
    throw SetupSourceError(target.string() + " is a folder without " + spd::kSetupDataFile + " (also in " +
                           spd::DiskFolderName(1) + ")");
}

// Volume n: beside the previous volume, else in the sibling disk folder.
std::optional<fs::path> FindVolume(fs::path& searchFolder, unsigned n) {
    std::string name = spd::VolumeFileName(n);
    std::error_code ec;
    if (fs::exists(searchFolder / name, ec)) return searchFolder / name;
    fs::path candidate = searchFolder.parent_path() / spd::DiskFolderName(n + 1) / name;
    if (fs::exists(candidate, ec)) {
        searchFolder = candidate.parent_path();
        return candidate;
    }
    return std::nullopt;
}

// "Disk 3/user.002" for a file in a disk folder, else the file name.
std::string ShortName(const fs::path& path) {
    const std::string folder = path.parent_path().filename().string();
    const std::string name = path.filename().string();
    return IsDiskFolderName(folder) ? folder + "/" + name : name;
}

}  // namespace

std::string SetupSource::VolumesOf(std::uint64_t begin, std::uint64_t end) const {
    std::string names;
    for (const SetupVolume& v : volumes)
        if (v.begin < std::max(end, begin + 1) && begin < v.end)
            names += (names.empty() ? "" : " and ") + ShortName(v.path);
    return names.empty() ? "beyond the last volume" : names;
}

SetupSource LoadSetupSource(const fs::path& target) {
    SetupSource s;
    s.userSpd = FindUserSpd(target);
    auto first = ReadAll(s.userSpd);
    if (!first) throw SetupSourceError("cannot read " + s.userSpd.string());
    const DataFileKind kind = RecogniseDataFile(*first, s.userSpd.filename().string());
    // A user.spd whose magic or version alone is damaged is still read, to
    // show what else is in it.
    const bool damagedSetupData =
        kind == DataFileKind::Unknown && first->size() > 4 &&
        ((*first)[4] == spd::SetupHeader::kVersion || std::equal(first->begin(), first->begin() + 4, "SETU"));
    if (kind != DataFileKind::SetupData && !damagedSetupData) {
        std::string hint = kind == DataFileKind::UninstallLog ? "; show it with spdpack log"
                           : kind == DataFileKind::Volume     ? "; give user.spd or the folder that holds it"
                                                              : "";
        throw SetupSourceError(s.userSpd.string() + " is " +
                               (kind == DataFileKind::Unknown
                                    ? std::string("no setup data (it does not start with \"SETU\" and version 16)")
                                    : std::string(DataFileKindText(kind)) + ", not user.spd") +
                               hint);
    }
    auto header = spd::SetupHeader::Decode(*first);
    if (!header)
        throw SetupSourceError(s.userSpd.string() + " is " + std::to_string(first->size()) +
                               " bytes long, shorter than its 192-byte header");
    s.header = *header;

    std::vector<std::vector<std::uint8_t>> contents;
    contents.push_back(std::move(*first));
    s.volumes.push_back({s.userSpd, contents[0].size(), 0, contents[0].size(), spd::VolumeCheck::Ok});
    fs::path searchFolder = s.userSpd.parent_path();
    std::uint64_t joinedEnd = contents[0].size();
    for (unsigned n = 1; n < s.header.VolumeFiles(); ++n) {
        auto path = FindVolume(searchFolder, n);
        if (!path) {
            s.problems.push_back("volume " + spd::VolumeFileName(n) + " not found beside " + searchFolder.string() +
                                 " or in " + spd::DiskFolderName(n + 1));
            break;
        }
        auto bytes = ReadAll(*path);
        if (!bytes) {
            s.problems.push_back("cannot read " + path->string());
            break;
        }
        SetupVolume v{*path, bytes->size(), joinedEnd, joinedEnd, spd::CheckVolume(*bytes, n, s.header)};
        if (bytes->size() >= spd::VolumeHeader::kSize) v.end += bytes->size() - spd::VolumeHeader::kSize;
        joinedEnd = v.end;
        s.volumes.push_back(v);
        contents.push_back(std::move(*bytes));
    }

    std::vector<spd::ByteSpan> spans(contents.begin(), contents.end());
    auto joined = spd::JoinVolumes(spans);
    if (!joined)
        s.problems.push_back("a further volume is shorter than its 88-byte header");
    else
        s.joined = std::move(joined.value);
    return s;
}

std::optional<SetupSource> LoadSetupSource(const fs::path& target, std::ostream& err) {
    try {
        return LoadSetupSource(target);
    } catch (const SetupSourceError& e) {
        err << "spdpack: " << e.what() << '\n';
        return std::nullopt;
    }
}

std::string KindName(std::uint8_t code) {
    const char* name = spd::FolderKindName(code);
    return name ? name : "kind " + std::to_string(code);
}

std::string TargetText(const spd::CatalogEntry& entry) {
    return Cp1252ToUtf8(entry.TargetPath("<" + KindName(entry.folderKind) + ">"));
}

std::string DescribeFileProblem(const SetupSource& source, const spd::CatalogReader& reader, unsigned index,
                                spd::Status status, const std::string& previousTarget) {
    const std::string what = spd::StatusText(status);
    if (const auto& entry = reader.lastEntry()) {
        std::uint64_t end = reader.contentOffset() + spd::BlockHeader::kSize;
        if (auto h = spd::BlockHeader::Decode(
                spd::ByteSpan(source.joined)
                    .subspan(std::min<std::size_t>(reader.contentOffset(), source.joined.size()))))
            end += h->storedSize;
        return "file " + std::to_string(index) + " \"" + TargetText(*entry) + "\", content in " +
               source.VolumesOf(reader.contentOffset(), end) + ": " + what;
    }
    std::string after = previousTarget.empty() ? "the first file" : "the file after \"" + previousTarget + "\"";
    return "file " + std::to_string(index) + " (" + after + "), record at offset " +
           std::to_string(reader.recordOffset()) + " in " +
           source.VolumesOf(reader.recordOffset(), reader.recordOffset() + 1) + ": " + what;
}

bool ForEachFile(const SetupSource& source, spd::CatalogReader& reader,
                 const std::function<void(unsigned, const spd::CatalogReader::Item&, const std::string&)>& onFile,
                 const std::function<void(unsigned, const std::string&)>& onProblem) {
    std::string previous;
    for (unsigned i = 1; i <= source.header.fileCount; ++i) {
        auto item = reader.Next();
        if (!item) {
            onProblem(i, DescribeFileProblem(source, reader, i, item.status, previous));
            if (!reader.lastEntry()) return false;
            previous = TargetText(*reader.lastEntry());
            continue;
        }
        previous = TargetText(item.value.entry);
        onFile(i, item.value, previous);
    }
    return true;
}

}  // namespace spdpack
