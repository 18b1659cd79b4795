#include "spdpack/Extract.h"

#include "spdpack/Cp1252.h"
#include "spdpack/SetupSource.h"

#include "codec/FolderTable.h"
#include "codec/InstallableName.h"

#include <fstream>
#include <set>

namespace spdpack {

namespace fs = std::filesystem;

namespace {

// FOLDER/<base>/<subfolder>, or nullopt (and the reason) when the name
// cannot be installed or the kind has no base folder.
std::optional<fs::path> FolderFor(const fs::path& root, std::uint8_t kind, const std::string& subfolder,
                                  std::string& why) {
    const char* base = spd::FolderKindName(kind);
    if (!base) {
        why = "folder kind " + std::to_string(kind) + " has no base folder";
        return std::nullopt;
    }
    spd::NameProblem problem = spd::CheckFolderPath(subfolder);
    if (problem != spd::NameProblem::None) {
        why = "subfolder \"" + Cp1252ToUtf8(subfolder) + "\" " + spd::NameProblemText(problem);
        return std::nullopt;
    }
    fs::path p = root / base;
    for (std::size_t start = 0; start < subfolder.size();) {
        std::size_t end = std::min(subfolder.find('\\', start), subfolder.size());
        p /= Cp1252ToUtf8(subfolder.substr(start, end - start));
        start = end + 1;
    }
    return p;
}

class Extraction {
public:
    Extraction(fs::path root, std::ostream& out, std::ostream& err) : root_(std::move(root)), out_(out), err_(err) {}

    void Problem(const std::string& text) {
        ++problems_;
        err_ << "problem: " << text << '\n';
    }

    void Folders(const SetupSource& source) {
        const spd::ByteSpan afterHeader = spd::ByteSpan(source.joined).subspan(spd::SetupHeader::kSize);
        auto table = spd::DecodeFolderTable(afterHeader, source.header.folderCount);
        if (!table) {
            Problem(std::string("folder table at offset 192 (in ") + source.VolumesOf(192, 193) +
                    "): " + spd::StatusText(table.status));
            return;
        }
        for (const spd::FolderEntry& e : table.value.entries) {
            std::string why;
            if (auto folder = FolderFor(root_, e.folderKind, e.TrimmedPath(), why))
                fs::create_directories(*folder);
            else
                Problem("folder \"" + Cp1252ToUtf8(e.path) + "\": " + why + "; not made");
        }
    }

    void Files(const SetupSource& source) {
        spd::CatalogReader reader(source.joined, source.header);
        if (reader.Verify() != spd::Status::Ok)
            Problem("the catalog checksum at offset " + std::to_string(source.header.catalogOffset) +
                    " does not match the data after it");
        ForEachFile(
            source, reader,
            [&](unsigned i, const spd::CatalogReader::Item& item, const std::string& target) {
                const spd::CatalogEntry& e = item.entry;
                std::string why;
                auto folder = FolderFor(root_, e.folderKind, e.subfolder, why);
                spd::NameProblem nameProblem = spd::CheckFileName(e.fileName);
                if (folder && nameProblem != spd::NameProblem::None)
                    why = "name \"" + Cp1252ToUtf8(e.fileName) + "\" " + spd::NameProblemText(nameProblem);
                if (!folder || nameProblem != spd::NameProblem::None) {
                    Problem("file " + std::to_string(i) + " \"" + target + "\": " + why + "; not written");
                    return;
                }
                Write(*folder / Cp1252ToUtf8(e.fileName), item.content, i, e);
            },
            [&](unsigned, const std::string& problem) { Problem(problem + "; not written"); });
    }

    int Finish(const fs::path& target) {
        out_ << written_ << " file(s) written to " << root_.string() << '\n';
        if (problems_) {
            err_ << "spdpack: " << target.string() << ": " << problems_ << " problem(s) found\n";
            return 1;
        }
        return 0;
    }

private:
    void Write(const fs::path& path, const std::vector<std::uint8_t>& content, unsigned index,
               const spd::CatalogEntry& e) {
        const std::string key = std::to_string(e.folderKind) + "\\" + spd::FoldName(e.subfolder + "\\" + e.fileName);
        if (!targets_.insert(key).second)
            out_ << "  note: file " << index << " has the target of an earlier file; the setup program installs it "
                 << "over that one\n";
        fs::create_directories(path.parent_path());
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
        file.close();
        if (!file) {
            Problem("cannot write " + path.string());
            return;
        }
        ++written_;
        out_ << "  " << fs::relative(path, root_).generic_string() << "  " << content.size() << " bytes\n";
    }

    fs::path root_;
    std::ostream& out_;
    std::ostream& err_;
    std::set<std::string> targets_;
    int problems_ = 0;
    int written_ = 0;
};

}  // namespace

int Extract(const fs::path& target, const fs::path& folder, std::ostream& out, std::ostream& err) {
    auto loaded = LoadSetupSource(target, err);
    if (!loaded) return 1;
    const SetupSource& source = *loaded;
    Extraction x(folder, out, err);
    for (const std::string& problem : source.problems) x.Problem(problem);
    for (std::size_t n = 1; n < source.volumes.size(); ++n)
        if (source.volumes[n].check != spd::VolumeCheck::Ok)
            x.Problem(source.volumes[n].path.string() + ": the volume header does not belong to this setup");
    if (source.joined.empty()) return x.Finish(target);
    if (spd::Status s = spd::VerifyJoinedData(source.joined, source.header); s != spd::Status::Ok)
        x.Problem(
            s == spd::Status::LengthMismatch
                ? "the joined data is " + std::to_string(source.joined.size()) + " bytes long, not dataLength " +
                      std::to_string(source.header.dataLength)
                : std::string("dataChecksum differs from the Adler-32 from offset 192; the files below say where"));
    if (source.joined.size() >= spd::SetupHeader::kSize) x.Folders(source);
    x.Files(source);
    return x.Finish(target);
}

}  // namespace spdpack
