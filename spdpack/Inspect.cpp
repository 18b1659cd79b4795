#include "spdpack/Inspect.h"

#include "spdpack/Cp1252.h"
#include "spdpack/SetupSource.h"

#include "codec/FolderTable.h"
#include "codec/PackedProgram.h"
#include "codec/SetupData.h"
#include "codec/VolumeHeader.h"
#include "codec/VolumeName.h"

#include <iomanip>
#include <sstream>
#include <vector>

namespace spdpack {

namespace fs = std::filesystem;

namespace {

std::string Hex(std::uint32_t v) {
    std::ostringstream s;
    s << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << v;
    return s.str();
}

std::string Quoted(const std::string& cp1252) {
    return "\"" + Cp1252ToUtf8(cp1252) + "\"";
}

std::string FlagNames(std::uint8_t flags) {
    std::string s;
    auto add = [&](std::uint8_t bit, const char* name) {
        if (flags & bit) s += (s.empty() ? "" : ",") + std::string(name);
    };
    add(spd::CatalogFlags::Shared, "Shared");
    add(spd::CatalogFlags::Required, "Required");
    add(spd::CatalogFlags::Screensaver, "Screensaver");
    add(spd::CatalogFlags::Config, "Config");
    if (flags & ~spd::CatalogFlags::Known) s += (s.empty() ? "" : ",") + Hex(flags & ~spd::CatalogFlags::Known);
    return s.empty() ? "-" : s;
}

class Checks {
public:
    Checks(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    // Prints "ok" or the problem after a line's text; counts problems.
    std::string Mark(bool good, const std::string& problem) {
        if (good) return "ok";
        Problem(problem);
        return "MISMATCH";
    }

    void Problem(const std::string& text) {
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

void ShowHeader(Checks& c, const spd::SetupHeader& h, std::uint64_t joinedLength, std::uint32_t actualChecksum) {
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
    out << "  catalogOffset     " << h.catalogOffset << "  " << c.Mark(h.catalogOffset != 0, "catalogOffset is 0")
        << '\n';
    out << "  fileCount         " << h.fileCount << "  " << c.Mark(h.fileCount != 0, "fileCount is 0") << '\n';
    out << "  displayName       " << Quoted(h.displayName) << '\n';
    out << "  setupId           " << h.setupId.Format() << '\n';
    out << "  defaultSubfolder  " << Quoted(h.defaultSubfolder) << '\n';
}

void ShowFolders(Checks& c, const std::vector<std::uint8_t>& joined, const spd::SetupHeader& h) {
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

void ShowFiles(Checks& c, const SetupSource& source) {
    const std::vector<std::uint8_t>& joined = source.joined;
    const spd::SetupHeader& h = source.header;
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
    out << "     #  " << std::left << std::setw(28) << "flags" << std::setw(13) << "base" << std::right << std::setw(11)
        << "size" << std::setw(11) << "stored"
        << "  checksum    target\n";
    const bool walked = ForEachFile(
        source, reader,
        [&](unsigned i, const spd::CatalogReader::Item& item, const std::string& target) {
            const spd::CatalogEntry& e = item.entry;
            out << std::setw(6) << i << "  " << std::left << std::setw(28) << FlagNames(e.flags) << std::setw(13)
                << KindName(e.folderKind) << std::right << std::setw(11) << item.content.size() << std::setw(11)
                << item.contentBlock.storedSize << "  " << Hex(item.contentBlock.checksum) << "  " << target << '\n';
            if (!spd::IsValidFolderKind(e.folderKind))
                c.Problem("file " + std::to_string(i) + " \"" + target + "\": folder kind " +
                          std::to_string(e.folderKind) + " has no base folder");
            if (item.content.size() != item.contentBlock.expandedSize)
                out << "        note: content expanded to " << item.content.size() << " bytes, its header says "
                    << item.contentBlock.expandedSize << '\n';
        },
        [&](unsigned, const std::string& problem) { c.Problem(problem); });
    if (!walked) return;
    if (reader.position() != joined.size())
        out << "  note: " << joined.size() - reader.position() << " bytes follow the last file\n";
}

void ShowUninstaller(Checks& c, const fs::path& folder) {
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

int Inspect(const fs::path& target, std::ostream& out, std::ostream& err) {
    Checks c(out, err);
    auto loaded = LoadSetupSource(target, err);
    if (!loaded) return 1;
    const SetupSource& source = *loaded;
    const spd::SetupHeader& h = source.header;

    out << "Volumes\n";
    for (unsigned n = 0; n < source.volumes.size(); ++n) {
        const SetupVolume& v = source.volumes[n];
        out << "  " << std::setw(4) << n << "  " << v.path.string() << "  " << v.fileSize << " bytes";
        if (n > 0) {
            out << "  volume header "
                << c.Mark(v.check == spd::VolumeCheck::Ok,
                          v.path.string() + (v.check == spd::VolumeCheck::NotSetupFile
                                                 ? ": not a setup volume (length, magic or version)"
                                                 : ": another volume (number, setup id or display name differ)"));
        }
        out << '\n';
    }
    for (const std::string& problem : source.problems) c.Problem(problem);
    if (h.volumeCount == 0 && source.volumes[0].fileSize != h.dataLength)
        c.Problem("volumeCount is 0, but user.spd is " + std::to_string(source.volumes[0].fileSize) +
                  " bytes long, not dataLength " + std::to_string(h.dataLength));
    if (source.joined.empty()) {
        err << "spdpack: " << c.problems() << " problem(s) found\n";
        return 1;
    }

    ShowHeader(c, h, source.joined.size(), spd::DataChecksum(source.joined));
    ShowFolders(c, source.joined, h);
    ShowFiles(c, source);
    ShowUninstaller(c, source.userSpd.parent_path());

    if (c.problems()) {
        err << "spdpack: " << c.problems() << " problem(s) found\n";
        return 1;
    }
    out << "All checks passed.\n";
    return 0;
}

}  // namespace spdpack
