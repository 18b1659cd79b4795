#include "spdpack/ManifestEntries.h"

#include "spdpack/Cp1252.h"
#include "spdpack/ManifestText.h"
#include "spdpack/TomlShift.h"

#include "codec/InstallableName.h"

#include <map>

namespace spdpack {

namespace fs = std::filesystem;

namespace {

spd::FolderKind KindField(const toml::table& table, const Place& place, const toml::node* entryNode) {
    std::string text = StringField(table, "base", place, true, entryNode);
    auto kind = spd::ParseFolderKind(text);
    if (!kind)
        place.Fail(
            Field(table, "base"), "base",
            "unknown base folder \"" + text + "\" (known: Windows, System, ProgramFiles, CommonFiles, Destination)");
    return *kind;
}

std::uint8_t FlagsField(const toml::table& table, const Place& place) {
    const toml::node* flags = Field(table, "flags");
    if (!flags) return 0;
    if (!flags->is_array()) place.Fail(flags, "flags", "must be a list such as [\"Shared\", \"Required\"]");
    std::uint8_t bits = 0;
    for (const toml::node& f : *flags->as_array()) {
        std::uint8_t bit = f.is_string() ? spd::ParseCatalogFlag(f.as_string()->get()) : 0;
        if (!bit) {
            std::string shown = f.is_string() ? "\"" + Unshift(f.as_string()->get()) + "\"" : "a non-text value";
            place.Fail(&f, "flags", "unknown flag " + shown + " (known flags: Shared, Required, Screensaver, Config)");
        }
        bits |= bit;
    }
    return bits;
}

// The files a folder or pattern source lists, each with its subfolder below
// the entry's and its own name.
void AddListedFiles(const SourceListing& listing, const ManifestFile& common, const toml::node* element,
                    const Place& place, std::vector<ManifestFile>& files) {
    for (const std::string& relative : listing.files) {
        Place filePlace(place.manifest(), place.entry() + ": file \"" + relative + "\"");
        ManifestFile f = common;
        f.source = listing.folder / fs::path(relative);
        const std::size_t cut = relative.rfind('/');
        if (cut != std::string::npos) {
            std::string below = ToCp1252(relative.substr(0, cut), element, "subfolder", filePlace);
            below = common.subfolder.empty() ? below : common.subfolder + "\\" + below;
            f.subfolder = FolderPath(below, true, element, "subfolder", filePlace);
        }
        f.name = ToCp1252(relative.substr(cut + 1), element, "name", filePlace);
        CheckFileName(f.name, element, "name", filePlace);
        f.where = filePlace.Where(element);
        files.push_back(std::move(f));
    }
}

// The key under which Windows finds a file or folder below a base folder.
std::string TargetKey(spd::FolderKind kind, const std::string& path) {
    return std::to_string(static_cast<int>(kind)) + "\\" + spd::FoldName(path);
}

bool EndsWithScr(const std::string& name) {
    return name.size() >= 4 && spd::SameName(std::string_view(name).substr(name.size() - 4), ".scr");
}

}  // namespace

void ParseFolders(const toml::table& top, Manifest& m, const std::string& manifestName) {
    const toml::node* node = Field(top, "folders");
    if (!node) return;
    if (!node->is_array_of_tables())
        Place(manifestName, "folders").Fail(node, "", "must be written as [[folders]] tables");
    std::size_t index = 0;
    for (const toml::node& element : *node->as_array()) {
        ++index;
        Place place(manifestName, "[[folders]] #" + std::to_string(index));
        const toml::table& t = *element.as_table();
        RejectUnknownKeys(t, place, {"base", "path"});
        ManifestFolder folder;
        folder.kind = KindField(t, place, &element);
        std::string raw = StringField(t, "path", place, true, &element);
        const toml::node* pathNode = Field(t, "path");
        folder.path = FolderPath(ToCp1252(raw, pathNode, "path", place), false, pathNode, "path", place);
        folder.where = place.Where(&element);
        m.folders.push_back(std::move(folder));
    }
}

void ParseFiles(const toml::table& top, Manifest& m, const std::string& manifestName, const fs::path& manifestDir,
                const SourceLister& lister) {
    const toml::node* node = Field(top, "files");
    if (!node || (node->is_array() && node->as_array()->empty()))
        Place(manifestName, "files").Fail(node, "", "no files: at least one [[files]] entry is needed");
    if (!node->is_array_of_tables()) Place(manifestName, "files").Fail(node, "", "must be written as [[files]] tables");

    std::size_t index = 0;
    for (const toml::node& element : *node->as_array()) {
        ++index;
        Place place(manifestName, "[[files]] #" + std::to_string(index));
        const toml::table& t = *element.as_table();
        RejectUnknownKeys(t, place, {"source", "base", "subfolder", "name", "flags", "recursive"});
        ManifestFile file;

        const toml::node* sourceNode = Field(t, "source");
        file.sourceText = StringField(t, "source", place, true, &element);
        if (file.sourceText.empty()) place.Fail(sourceNode, "source", "is empty");
        file.source = ResolvePath(manifestDir, file.sourceText);
        place = Place(manifestName, place.entry() + " (source \"" + file.sourceText + "\")");

        file.kind = KindField(t, place, &element);
        const toml::node* subNode = Field(t, "subfolder");
        std::string sub = StringField(t, "subfolder", place, false, &element);
        file.subfolder = FolderPath(ToCp1252(sub, subNode, "subfolder", place), true, subNode, "subfolder", place);
        file.flags = FlagsField(t, place);
        const bool recursive = BoolField(t, "recursive", place);

        SourceListing listing;
        try {
            listing = lister(file.source, recursive);
        } catch (const SourceError& e) {
            place.Fail(sourceNode, "source", e.what());
        }
        const toml::node* nameNode = Field(t, "name");
        if (listing.several) {
            if (nameNode)
                place.Fail(nameNode, "name",
                           "cannot be given for a folder or pattern source: its files keep their names");
            if (listing.files.empty())
                place.Fail(sourceNode, "source",
                           "\"" + file.sourceText + "\" matches no file" +
                               (recursive ? "" : " (recursive = true also looks into subfolders)"));
            AddListedFiles(listing, file, &element, place, m.files);
            continue;
        }
        if (recursive)
            place.Fail(Field(t, "recursive"), "recursive",
                       "is for a folder or pattern source; this one names one file");
        std::string name = nameNode ? StringField(t, "name", place, false, &element) : file.source.filename().string();
        file.name = ToCp1252(name, nameNode ? nameNode : &element, "name", place);
        CheckFileName(file.name, nameNode ? nameNode : &element, "name", place);
        file.where = place.Where(&element);
        m.files.push_back(std::move(file));
    }
}

void CompleteManifest(Manifest& m) {
    const std::string manifestName = m.path.string();

    std::map<std::string, std::string> folders;  // key -> where it comes from
    for (const ManifestFolder& f : m.folders) {
        auto [it, fresh] = folders.emplace(TargetKey(f.kind, f.path), f.where);
        if (!fresh)
            throw ManifestError(f.where + ": path: the folder \"" + Cp1252ToUtf8(f.path) + "\" is listed already (" +
                                it->second + ")");
    }
    // Every level of a path, parents first; the path itself when wanted.
    auto need = [&](spd::FolderKind kind, const std::string& path, bool itself, const std::string& forWhom) {
        for (std::size_t cut = path.find('\\');; cut = path.find('\\', cut + 1)) {
            if (cut == std::string::npos && !itself) return;
            std::string level = path.substr(0, cut);
            if (folders.emplace(TargetKey(kind, level), "added for " + forWhom).second)
                m.folders.push_back({kind, level, "added for " + forWhom, true});
            if (cut == std::string::npos) return;
        }
    };
    const std::size_t listed = m.folders.size();
    for (std::size_t i = 0; i < listed; ++i) {
        const ManifestFolder f = m.folders[i];
        need(f.kind, f.path, false, f.where);
    }
    for (const ManifestFile& f : m.files)
        if (!f.subfolder.empty()) need(f.kind, f.subfolder, true, f.where);

    std::map<std::string, std::string> targets;
    for (const ManifestFile& f : m.files) {
        const std::string key = TargetKey(f.kind, f.subfolder.empty() ? f.name : f.subfolder + "\\" + f.name);
        auto [it, fresh] = targets.emplace(key, f.where);
        if (!fresh)
            throw ManifestError(f.where + ": name: another file is already installed as \"" + Cp1252ToUtf8(f.name) +
                                "\" in the same folder (" + it->second + ")");
        if (folders.count(key))
            throw ManifestError(f.where + ": name: \"" + Cp1252ToUtf8(f.name) +
                                "\" is also the name of a folder the setup creates there");
    }

    if (m.files.size() > kMaxEntries)
        throw ManifestError(manifestName + ": files: " + std::to_string(m.files.size()) +
                            " files (folder and pattern sources listed), more than the 65535 the setup data can count");
    if (m.folders.size() > kMaxEntries)
        throw ManifestError(manifestName + ": folders: " + std::to_string(m.folders.size()) + " folders (" +
                            std::to_string(m.folders.size() - listed) +
                            " of them added for subfolders), more than the 65535 the setup data can count");

    const ManifestFile* screensaver = nullptr;
    for (const ManifestFile& f : m.files) {
        if (!(f.flags & spd::CatalogFlags::Screensaver)) continue;
        if (!EndsWithScr(f.name))
            m.warnings.push_back(f.where + ": flags: Screensaver on \"" + Cp1252ToUtf8(f.name) +
                                 "\", which is not a .scr file; the setup program makes it the active screensaver");
        if (screensaver)
            m.warnings.push_back(f.where + ": flags: a second file flagged Screensaver (the first: " +
                                 screensaver->where + "); the setup program takes the last one as the screensaver");
        else
            screensaver = &f;
    }
    if (!screensaver)
        m.warnings.push_back(manifestName +
                             ": no file is flagged Screensaver; the setup program installs the files "
                             "but makes no screensaver active");
}

}  // namespace spdpack
