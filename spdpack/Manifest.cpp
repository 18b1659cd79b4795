#include "spdpack/Manifest.h"

#include "spdpack/ManifestEntries.h"
#include "spdpack/ManifestText.h"
#include "spdpack/SourceFile.h"
#include "spdpack/TomlShift.h"

#include "codec/SetupData.h"

#include <toml++/toml.h>

#include <fstream>
#include <sstream>

namespace spdpack {

namespace fs = std::filesystem;

namespace {

void ParseVolumes(const toml::table& top, Manifest& m, const std::string& manifestName) {
    const toml::node* node = Field(top, "volumes");
    if (!node) return;
    Place place(manifestName, "[volumes]");
    if (!node->is_table()) place.Fail(node, "", "must be a table ([volumes])");
    const toml::table& t = *node->as_table();
    RejectUnknownKeys(t, place, {"size", "layout", "single_volume_count"});

    if (const toml::node* size = Field(t, "size")) {
        std::optional<std::uint64_t> bytes;
        if (size->is_integer() && size->as_integer()->get() > 0)
            bytes = static_cast<std::uint64_t>(size->as_integer()->get());
        else if (size->is_string())
            bytes = ParseVolumeSize(Unshift(size->as_string()->get()));
        if (!bytes) place.Fail(size, "size", "must be a number of bytes, optionally with K or M (\"1440K\")");
        if (*bytes < spd::kMinVolumeSize)
            place.Fail(size, "size", "must be at least " + std::to_string(spd::kMinVolumeSize) + " bytes");
        if (*bytes > 0xFFFFFFFFull) place.Fail(size, "size", "must be below 4 GiB");
        m.volumeSize = *bytes;
    }
    if (const toml::node* layout = Field(t, "layout")) {
        std::string text = layout->is_string() ? Unshift(layout->as_string()->get()) : std::string();
        if (text == "flat")
            m.layout = VolumeLayout::Flat;
        else if (text == "disk folders")
            m.layout = VolumeLayout::DiskFolders;
        else
            place.Fail(layout, "layout", "must be \"flat\" or \"disk folders\"");
    }
    if (const toml::node* count = Field(t, "single_volume_count")) {
        if (!count->is_integer() || (count->as_integer()->get() != 0 && count->as_integer()->get() != 1))
            place.Fail(count, "single_volume_count", "must be 0 or 1");
        m.singleVolumeCount = static_cast<std::uint16_t>(count->as_integer()->get());
    }
}

}  // namespace

std::optional<std::uint64_t> ParseVolumeSize(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t unit = 1;
    char last = text.back();
    if (last == 'K' || last == 'k') unit = 1024;
    if (last == 'M' || last == 'm') unit = 1024 * 1024;
    if (unit != 1) text.remove_suffix(1);
    if (text.empty() || text.size() > 12) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value * unit;
}

Manifest ParseManifest(std::string_view text, const fs::path& manifestPath, const SourceLister& lister) {
    const std::string name = manifestPath.string();
    Manifest m;
    m.path = manifestPath;
    fs::path dir = manifestPath.parent_path();

    if (std::size_t line = LineWithShiftedRange(text))
        throw ManifestError(name + ':' + std::to_string(line) +
                            ": holds a private-use character of plane 15, which a manifest must not hold");
    toml::table top;
    try {
        top = toml::parse(ShiftForParser(text), name);
    } catch (const toml::parse_error& e) {
        std::ostringstream s;
        s << name << ':' << e.source().begin.line << ':' << e.source().begin.column
          << ": not valid TOML: " << Unshift(e.description());
        throw ManifestError(s.str());
    }

    Place place(name, "manifest");
    RejectUnknownKeys(top, place,
                      {"display_name", "default_subfolder", "setup_id", "compression_level", "uninstaller",
                       "setup_program", "volumes", "folders", "files"});

    const toml::node* nameNode = Field(top, "display_name");
    m.displayName = ToCp1252(StringField(top, "display_name", place, true, nullptr), nameNode, "display_name", place);
    if (m.displayName.empty()) place.Fail(nameNode, "display_name", "is empty");
    CheckLength(m.displayName, kShortTextMax, nameNode, "display_name", place);
    // The setup names the Uninstall entry's key after it.
    if (m.displayName.find('\\') != std::string::npos)
        place.Fail(nameNode, "display_name", "contains a backslash, which a registry key name cannot hold");

    const toml::node* subNode = Field(top, "default_subfolder");
    // The folder proposed below Program Files follows the rule of every
    // folder the setup creates.
    m.defaultSubfolder = FolderPath(
        ToCp1252(StringField(top, "default_subfolder", place, false, nullptr), subNode, "default_subfolder", place),
        true, subNode, "default_subfolder", place);
    CheckLength(m.defaultSubfolder, kShortTextMax, subNode, "default_subfolder", place);

    if (const toml::node* id = Field(top, "setup_id")) {
        std::string text = StringField(top, "setup_id", place, false, nullptr);
        m.setupId = spd::Guid::Parse(text);
        if (!m.setupId)
            place.Fail(id, "setup_id", "\"" + text + "\" is not a GUID like {1B4E28BA-2FA1-11D2-883F-0016D3CCA427}");
    }

    if (const toml::node* level = Field(top, "compression_level")) {
        if (!level->is_integer() || level->as_integer()->get() < 0 || level->as_integer()->get() > 9)
            place.Fail(level, "compression_level", "must be a whole number from 0 to 9");
        m.compressionLevel = static_cast<int>(level->as_integer()->get());
    }

    if (Field(top, "uninstaller")) {
        std::string p = StringField(top, "uninstaller", place, false, nullptr);
        if (p.empty()) place.Fail(Field(top, "uninstaller"), "uninstaller", "is empty");
        m.uninstaller = ResolvePath(dir, p);
    }
    if (Field(top, "setup_program")) {
        std::string p = StringField(top, "setup_program", place, false, nullptr);
        if (p.empty()) place.Fail(Field(top, "setup_program"), "setup_program", "is empty");
        m.setupProgram = ResolvePath(dir, p);
    }

    ParseVolumes(top, m, name);
    ParseFolders(top, m, name);
    ParseFiles(top, m, name, dir, lister);
    CompleteManifest(m);
    return m;
}

Manifest LoadManifest(const fs::path& manifestPath) {
    std::error_code ec;
    if (fs::is_directory(manifestPath, ec))
        throw ManifestError(manifestPath.string() + ": is a folder, not a manifest file");
    std::ifstream in(manifestPath, std::ios::binary);
    if (!in) throw ManifestError(manifestPath.string() + ": cannot read the manifest");
    std::ostringstream text;
    text << in.rdbuf();
    Manifest m = ParseManifest(text.str(), manifestPath);
    CheckSources(m);
    return m;
}

void CheckSources(const Manifest& m) {
    // The size is all that is read here: a file too large is refused before
    // anything is read from it.
    auto check = [&](const fs::path& p, const std::string& where, std::string_view field, bool limited) {
        auto fail = [&](const std::string& problem) {
            throw ManifestError(where + ": " + std::string(field) + ": \"" + p.string() + "\" " + problem);
        };
        std::error_code ec;
        if (fs::is_directory(p, ec)) fail("is a folder, not a file");
        if (!fs::is_regular_file(p, ec)) fail(fs::exists(p, ec) ? "is not a regular file" : "does not exist");
        std::uint64_t size = fs::file_size(p, ec);
        if (ec) fail("cannot be read: " + ec.message());
        if (limited)
            if (auto reason = TooLargeForSetup(size)) fail(*reason);
    };
    for (const ManifestFile& f : m.files) check(f.source, f.where, "source", true);
    const std::string top = m.path.string() + ": manifest";
    if (m.uninstaller) check(*m.uninstaller, top, "uninstaller", true);
    if (m.setupProgram) check(*m.setupProgram, top, "setup_program", false);
}

}  // namespace spdpack
