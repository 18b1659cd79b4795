#include "spdpack/Inspect.h"

#include "spdpack/Cp1252.h"

#include "codec/FolderTable.h"
#include "codec/PackedProgram.h"
#include "codec/SetupData.h"
#include "codec/VolumeHeader.h"
#include "codec/VolumeName.h"

#include <fstream>
#include <iomanip>
#include <iterator>
#include <optional>
#include <sstream>
#include <vector>

namespace spdpack {

namespace fs = std::filesystem;

namespace {

std::optional<std::vector<std::uint8_t>> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Hex(std::uint32_t v)
{
    std::ostringstream s;
    s << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << v;
    return s.str();
}

std::string Quoted(const std::string& cp1252)
{
    return "\"" + Cp1252ToUtf8(cp1252) + "\"";
}

std::string FlagNames(std::uint8_t flags)
{
    std::string s;
    auto add = [&](std::uint8_t bit, const char* name) {
        if (flags & bit)
            s += (s.empty() ? "" : ",") + std::string(name);
    };
    add(spd::CatalogFlags::Shared, "Shared");
    add(spd::CatalogFlags::Required, "Required");
    add(spd::CatalogFlags::Screensaver, "Screensaver");
    add(spd::CatalogFlags::Config, "Config");
    if (flags & ~spd::CatalogFlags::Known)
        s += (s.empty() ? "" : ",") + Hex(flags & ~spd::CatalogFlags::Known);
    return s.empty() ? "-" : s;
}

std::string KindName(std::uint8_t code)
{
    const char* name = spd::FolderKindName(code);
    return name ? name : "kind " + std::to_string(code);
}

class Checks {
public:
    Checks(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    // Prints "ok" or the problem after a line's text; counts problems.
    std::string Mark(bool good, const std::string& problem)
    {
        if (good)
            return "ok";
        Problem(problem);
        return "MISMATCH";
    }

    void Problem(const std::string& text)
    {
        ++problems_;
        err_ << "problem: " << text << '\n';
    }

    int problems() const { return problems_; }
    std::ostream& out() { return out_; }

private:
    std::ostream& out_;
    std::ostream& err_;
    int problems_ = 0;
};

struct Volume {
    fs::path path;
    std::vector<std::uint8_t> bytes;
};

fs::path FindUserSpd(const fs::path& target)
{
    if (fs::is_directory(target)) {
        if (fs::exists(target / spd::kSetupDataFile))
            return target / spd::kSetupDataFile;
        fs::path disk1 = target / spd::DiskFolderName(1) / spd::kSetupDataFile;
        if (fs::exists(disk1))
            return disk1;
        return target / spd::kSetupDataFile;
    }
    return target;
}

// Volume n: beside the previous volume, else in the sibling disk folder.
std::optional<fs::path> FindVolume(fs::path& searchFolder, unsigned n)
{
    std::string name = spd::VolumeFileName(n);
    if (fs::exists(searchFolder / name))
        return searchFolder / name;
    fs::path candidate = searchFolder.parent_path() / spd::DiskFolderName(n + 1) / name;
    if (fs::exists(candidate)) {
        searchFolder = candidate.parent_path();
        return candidate;
    }
    return std::nullopt;
}

void ShowHeader(Checks& c, const spd::SetupHeader& h, std::uint64_t joinedLength, std::uint32_t actualChecksum)
{
    std::ostream& out = c.out();
    out << "Header\n";
    out << "  magic             " << Hex(h.magic) << "  " << c.Mark(h.HasMagic(), "magic is not \"SETU\"") << '\n';
    out << "  version           " << unsigned(h.version) << "  " << c.Mark(h.HasVersion(), "version is not 16") << '\n';
    out << "  volumeCount       " << h.volumeCount << '\n';
    out << "  dataLength        " << h.dataLength << "  "
        << c.Mark(h.dataLength == joinedLength, "dataLength " + std::to_string(h.dataLength) +
                                                     " differs from the joined data's length " +
                                                     std::to_string(joinedLength))
        << '\n';
    out << "  dataChecksum      " << Hex(h.dataChecksum) << "  "
        << c.Mark(h.dataChecksum == actualChecksum, "dataChecksum " + Hex(h.dataChecksum) +
                                                        " differs from the Adler-32 from offset 192, " +
                                                        Hex(actualChecksum))
        << '\n';
    out << "  nonZeroMark       " << h.nonZeroMark << "  " << c.Mark(h.nonZeroMark != 0, "nonZeroMark is 0") << '\n';
    out << "  folderCount       " << h.folderCount << '\n';
    out << "  catalogOffset     " << h.catalogOffset << "  " << c.Mark(h.catalogOffset != 0, "catalogOffset is 0") << '\n';
    out << "  fileCount         " << h.fileCount << "  " << c.Mark(h.fileCount != 0, "fileCount is 0") << '\n';
    out << "  displayName       " << Quoted(h.displayName) << '\n';
    out << "  setupId           " << h.setupId.Format() << '\n';
    out << "  defaultSubfolder  " << Quoted(h.defaultSubfolder) << '\n';
}

void ShowFolders(Checks& c, const std::vector<std::uint8_t>& joined, const spd::SetupHeader& h)
{
    std::ostream& out = c.out();
    if (joined.size() < spd::SetupHeader::kSize) {
        c.Problem("the data ends inside the header");
        return;
    }
    auto table = spd::DecodeFolderTable(spd::ByteSpan(joined).subspan(spd::SetupHeader::kSize), h.folderCount);
    if (!table) {
        out << "Folders\n";
        c.Problem(std::string("folder table at offset 192: ") + spd::StatusText(table.status));
        return;
    }
    if (!table.value.present) {
        out << "Folders: none (no folder table)\n";
        if (h.folderCount != 0)
            out << "  note: folderCount is " << h.folderCount << ", but no table is present; no folders are created\n";
        return;
    }
    out << "Folders (" << table.value.entries.size() << ", table checksum ok)\n";
    for (const spd::FolderEntry& e : table.value.entries)
        out << "  " << std::left << std::setw(13) << KindName(e.folderKind) << std::right << ' ' << Quoted(e.path)
            << '\n';
}

void ShowFiles(Checks& c, const std::vector<std::uint8_t>& joined, const spd::SetupHeader& h)
{
    std::ostream& out = c.out();
    spd::CatalogReader reader(joined, h);
    spd::Status verified = reader.Verify();
    if (verified == spd::Status::Truncated) {
        out << "Files\n";
        c.Problem("catalogOffset " + std::to_string(h.catalogOffset) + " lies outside the data");
        return;
    }
    out << "Files (" << h.fileCount << ", catalog checksum " << Hex(reader.catalogHeader().checksum) << ' '
        << c.Mark(verified == spd::Status::Ok, "the catalog checksum does not match the data after the catalog header")
        << ")\n";
    out << "     #  " << std::left << std::setw(28) << "flags" << std::setw(13) << "base" << std::right
        << std::setw(11) << "size" << std::setw(11) << "stored" << "  checksum    target\n";
    for (unsigned i = 1; i <= h.fileCount; ++i) {
        auto item = reader.Next();
        if (!item) {
            c.Problem("file record " + std::to_string(i) + " at offset " + std::to_string(reader.position()) + ": " +
                      spd::StatusText(item.status));
            return;
        }
        const spd::CatalogEntry& e = item.value.entry;
        out << std::setw(6) << i << "  " << std::left << std::setw(28) << FlagNames(e.flags) << std::setw(13)
            << KindName(e.folderKind) << std::right << std::setw(11) << item.value.content.size() << std::setw(11)
            << item.value.contentBlock.storedSize << "  " << Hex(item.value.contentBlock.checksum) << "  "
            << Cp1252ToUtf8(e.TargetPath("<" + KindName(e.folderKind) + ">")) << '\n';
        if (!spd::IsValidFolderKind(e.folderKind))
            c.Problem("file " + std::to_string(i) + ": folder kind " + std::to_string(e.folderKind) + " has no base folder");
        if (item.value.content.size() != item.value.contentBlock.expandedSize)
            out << "        note: content expanded to " << item.value.content.size() << " bytes, its header says "
                << item.value.contentBlock.expandedSize << '\n';
    }
    if (reader.position() != joined.size())
        out << "  note: " << joined.size() - reader.position() << " bytes follow the last file\n";
}

void ShowUninstaller(Checks& c, const fs::path& folder)
{
    std::ostream& out = c.out();
    fs::path path = folder / spd::kPackedProgramFile;
    auto bytes = ReadAll(path);
    if (!bytes) {
        out << "Uninstaller\n";
        c.Problem(path.string() + " is missing");
        return;
    }
    auto header = spd::PackedProgramHeader::Decode(*bytes);
    auto program = spd::UnpackProgram(*bytes);
    out << "Uninstaller (" << spd::kPackedProgramFile << ", " << bytes->size() << " bytes)\n";
    if (header)
        out << "  magic " << Hex(header->magic) << ", expandedSize " << header->expandedSize << ", checksum "
            << Hex(header->checksum) << "  ";
    else
        out << "  ";
    out << c.Mark(program.ok(), path.string() + ": " + spd::StatusText(program.status)) << '\n';
}

}  // namespace

int Inspect(const fs::path& target, std::ostream& out, std::ostream& err)
{
    Checks c(out, err);
    fs::path userSpd = FindUserSpd(target);
    auto first = ReadAll(userSpd);
    if (!first) {
        err << "spdpack: cannot read " << userSpd.string() << '\n';
        return 1;
    }
    auto header = spd::SetupHeader::Decode(*first);
    if (!header) {
        err << "spdpack: " << userSpd.string() << " is " << first->size() << " bytes long, shorter than its 192-byte header\n";
        return 1;
    }
    const spd::SetupHeader& h = *header;

    std::vector<Volume> volumes;
    volumes.push_back({userSpd, std::move(*first)});
    fs::path searchFolder = userSpd.parent_path();
    for (unsigned n = 1; n < h.VolumeFiles(); ++n) {
        auto path = FindVolume(searchFolder, n);
        if (!path) {
            c.Problem("volume " + spd::VolumeFileName(n) + " not found beside " + searchFolder.string() +
                      " or in " + spd::DiskFolderName(n + 1));
            break;
        }
        auto bytes = ReadAll(*path);
        if (!bytes) {
            c.Problem("cannot read " + path->string());
            break;
        }
        volumes.push_back({*path, std::move(*bytes)});
    }

    out << "Volumes\n";
    for (unsigned n = 0; n < volumes.size(); ++n) {
        out << "  " << std::setw(4) << n << "  " << volumes[n].path.string() << "  " << volumes[n].bytes.size()
            << " bytes";
        if (n > 0) {
            spd::VolumeCheck check = spd::CheckVolume(volumes[n].bytes, n, h);
            out << "  volume header "
                << c.Mark(check == spd::VolumeCheck::Ok,
                          volumes[n].path.string() + (check == spd::VolumeCheck::NotSetupFile
                                                          ? ": not a setup volume (length, magic or version)"
                                                          : ": another volume (number, setup id or display name differ)"));
        }
        out << '\n';
    }
    if (h.volumeCount == 0 && volumes[0].bytes.size() != h.dataLength)
        c.Problem("volumeCount is 0, but user.spd is " + std::to_string(volumes[0].bytes.size()) +
                  " bytes long, not dataLength " + std::to_string(h.dataLength));

    std::vector<spd::ByteSpan> spans;
    for (const Volume& v : volumes)
        spans.push_back(v.bytes);
    auto joined = spd::JoinVolumes(spans);
    if (!joined) {
        c.Problem("a further volume is shorter than its 88-byte header");
        err << "spdpack: " << c.problems() << " problem(s) found\n";
        return 1;
    }
    volumes.clear();

    ShowHeader(c, h, joined.value.size(), spd::DataChecksum(joined.value));
    ShowFolders(c, joined.value, h);
    ShowFiles(c, joined.value, h);
    ShowUninstaller(c, userSpd.parent_path());

    if (c.problems()) {
        err << "spdpack: " << c.problems() << " problem(s) found\n";
        return 1;
    }
    out << "All checks passed.\n";
    return 0;
}

}  // namespace spdpack
