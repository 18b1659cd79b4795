#include "spdpack/Manifest.h"

#include "spdpack/Cp1252.h"

#include "codec/CatalogEntry.h"
#include "codec/FolderEntry.h"
#include "codec/SetupData.h"
#include "codec/SetupHeader.h"

#include <toml++/toml.h>

#include <fstream>
#include <set>
#include <sstream>

namespace spdpack {

namespace fs = std::filesystem;

namespace {

// toml++ 3.3 runs into an "unreachable" branch (undefined behaviour) when it
// asks whether some non-ASCII characters are white space (U+00A1 to U+0499,
// and three ranges near U+2C5E, U+3001 and U+FB26). It does so even for
// valid manifests: a line of a multi-line string continued after a
// line-ending backslash and starting with an umlaut. Such characters are moved to
// private-use code points (plane 15, + U+F0000) for the parser and moved back
// in every text taken from the manifest.
struct CodeRange {
    char32_t first;
    char32_t last;
};
constexpr CodeRange kShifted[] = {{0xA1, 0x499}, {0x2C5E, 0x2FFF}, {0x3001, 0x3057}, {0xFB26, 0xFEFE}};
constexpr char32_t kShiftOffset = 0xF0000;

bool InShifted(char32_t c, char32_t offset)
{
    for (const CodeRange& r : kShifted)
        if (c >= r.first + offset && c <= r.last + offset)
            return true;
    return false;
}

// Length of the well-formed UTF-8 sequence at pos and its code point; 0 when
// the bytes there are not one.
std::size_t DecodeUtf8(std::string_view s, std::size_t pos, char32_t& c)
{
    auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char lead = b(pos);
    std::size_t n = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || s.size() - pos < n)
        return 0;
    c = n == 1 ? lead : n == 2 ? (lead & 0x1F) : n == 3 ? (lead & 0x0F) : (lead & 0x07);
    for (std::size_t i = 1; i < n; ++i) {
        if ((b(pos + i) & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (b(pos + i) & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMin[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return n;
}

// Moves the ranges above to plane 15 (or back, when unshift). Bytes that are
// not well-formed UTF-8 are kept, for the parser to report.
std::string Shift(std::string_view text, bool unshift)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t c = 0;
        std::size_t n = DecodeUtf8(text, pos, c);
        if (n == 0) {
            out += text[pos++];
            continue;
        }
        if (!unshift && InShifted(c, 0))
            AppendUtf8(out, c + kShiftOffset);
        else if (unshift && InShifted(c, kShiftOffset))
            AppendUtf8(out, c - kShiftOffset);
        else
            out.append(text.substr(pos, n));
        pos += n;
    }
    return out;
}

// The first line holding a character of the shifted range itself, or 0.
std::size_t LineWithShiftedRange(std::string_view text)
{
    std::size_t line = 1;
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t c = 0;
        std::size_t n = DecodeUtf8(text, pos, c);
        if (n == 0) {
            n = 1;
        } else if (InShifted(c, kShiftOffset)) {
            return line;
        } else if (c == '\n') {
            ++line;
        }
        pos += n;
    }
    return 0;
}

std::string Unshift(std::string_view text)
{
    return Shift(text, true);
}

constexpr std::size_t kShortTextMax = 63;   // display name, default subfolder
constexpr std::size_t kLongTextMax = 255;   // folder paths, subfolders, file names

// Where an entry lies, for messages: "file.toml:12: [[files]] #2".
class Place {
public:
    Place(std::string manifest, std::string entry) : manifest_(std::move(manifest)), entry_(std::move(entry)) {}

    std::string Where(const toml::node* node) const
    {
        std::ostringstream s;
        s << manifest_;
        if (node && node->source().begin.line)
            s << ':' << node->source().begin.line;
        s << ": " << entry_;
        return s.str();
    }

    [[noreturn]] void Fail(const toml::node* node, std::string_view field, const std::string& problem) const
    {
        std::string msg = Where(node);
        if (!field.empty())
            msg += std::string(": ") + std::string(field);
        throw ManifestError(msg + ": " + problem);
    }

    const std::string& entry() const { return entry_; }

private:
    std::string manifest_;
    std::string entry_;
};

void RejectUnknownKeys(const toml::table& table, const Place& place, std::initializer_list<std::string_view> known)
{
    for (auto&& [key, node] : table) {
        bool ok = false;
        for (std::string_view k : known)
            ok = ok || key.str() == k;
        if (!ok) {
            std::string list;
            for (std::string_view k : known)
                list += (list.empty() ? "" : ", ") + std::string(k);
            place.Fail(&node, Unshift(key.str()), "unknown field (known fields: " + list + ")");
        }
    }
}

const toml::node* Field(const toml::table& table, std::string_view key)
{
    return table.get(key);
}

std::string StringField(const toml::table& table, std::string_view key, const Place& place, bool required,
                        const toml::node* fallbackNode)
{
    const toml::node* node = Field(table, key);
    if (!node) {
        if (required)
            place.Fail(fallbackNode, key, "missing");
        return {};
    }
    if (!node->is_string())
        place.Fail(node, key, "must be a text in quotes");
    return Unshift(node->as_string()->get());
}

// Converts to code page 1252 and checks the characters allowed in a text.
std::string ToCp1252(const std::string& utf8, const toml::node* node, std::string_view field, const Place& place)
{
    auto text = Utf8ToCp1252(utf8);
    if (!text)
        place.Fail(node, field, "\"" + utf8 + "\" holds a character that code page 1252 cannot represent");
    for (char ch : *text) {
        auto b = static_cast<unsigned char>(ch);
        if (b < 0x20 || b == 0x7F)
            place.Fail(node, field, "holds a control character");
    }
    return *text;
}

void CheckLength(const std::string& text, std::size_t max, const toml::node* node, std::string_view field,
                 const Place& place)
{
    if (text.size() > max)
        place.Fail(node, field, "is " + std::to_string(text.size()) + " characters long, longer than its field allows (" +
                                    std::to_string(max) + ")");
}

bool HasForbiddenChar(std::string_view s)
{
    return s.find_first_of("<>\"|?*") != std::string_view::npos;
}

// A relative folder path below a base folder: forward slashes become
// backslashes, a trailing backslash is dropped. Rejects a leading backslash,
// a drive, empty, "." and ".." components and characters Windows forbids.
std::string FolderPath(const std::string& cp1252, bool allowEmpty, const toml::node* node, std::string_view field,
                       const Place& place)
{
    std::string p = cp1252;
    for (char& c : p)
        if (c == '/')
            c = '\\';
    if (!p.empty() && p.front() == '\\')
        place.Fail(node, field, "\"" + Cp1252ToUtf8(cp1252) + "\" starts with a backslash; give a path relative to the base folder");
    if (p.find(':') != std::string::npos)
        place.Fail(node, field, "\"" + Cp1252ToUtf8(cp1252) + "\" names a drive; give a path relative to the base folder");
    while (!p.empty() && p.back() == '\\')
        p.pop_back();
    if (p.empty()) {
        if (!allowEmpty)
            place.Fail(node, field, "is empty");
        return p;
    }
    if (HasForbiddenChar(p))
        place.Fail(node, field, "\"" + Cp1252ToUtf8(cp1252) + "\" holds a character not allowed in file names (<>\"|?*)");
    std::size_t start = 0;
    while (start <= p.size()) {
        std::size_t end = p.find('\\', start);
        if (end == std::string::npos)
            end = p.size();
        std::string_view part(p.data() + start, end - start);
        if (part == "..")
            place.Fail(node, field, "\"" + Cp1252ToUtf8(cp1252) + "\" has a \"..\" component");
        if (part.empty() || part == ".")
            place.Fail(node, field, "\"" + Cp1252ToUtf8(cp1252) + "\" has an empty or \".\" component");
        start = end + 1;
    }
    return p;
}

spd::FolderKind KindField(const toml::table& table, const Place& place, const toml::node* entryNode)
{
    std::string text = StringField(table, "base", place, true, entryNode);
    auto kind = spd::ParseFolderKind(text);
    if (!kind)
        place.Fail(Field(table, "base"), "base",
                   "unknown base folder \"" + text + "\" (known: Windows, System, ProgramFiles, CommonFiles, Destination)");
    return *kind;
}

fs::path ResolvePath(const fs::path& manifestDir, const std::string& text)
{
    fs::path p = fs::path(text);
    return p.is_absolute() ? p : manifestDir / p;
}

void ParseVolumes(const toml::table& top, Manifest& m, const std::string& manifestName)
{
    const toml::node* node = Field(top, "volumes");
    if (!node)
        return;
    Place place(manifestName, "[volumes]");
    if (!node->is_table())
        place.Fail(node, "", "must be a table ([volumes])");
    const toml::table& t = *node->as_table();
    RejectUnknownKeys(t, place, {"size", "layout", "single_volume_count"});

    if (const toml::node* size = Field(t, "size")) {
        std::optional<std::uint64_t> bytes;
        if (size->is_integer() && size->as_integer()->get() > 0)
            bytes = static_cast<std::uint64_t>(size->as_integer()->get());
        else if (size->is_string())
            bytes = ParseVolumeSize(Unshift(size->as_string()->get()));
        if (!bytes)
            place.Fail(size, "size", "must be a number of bytes, optionally with K or M (\"1440K\")");
        if (*bytes < spd::kMinVolumeSize)
            place.Fail(size, "size", "must be at least " + std::to_string(spd::kMinVolumeSize) + " bytes");
        if (*bytes > 0xFFFFFFFFull)
            place.Fail(size, "size", "must be below 4 GiB");
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

void ParseFolders(const toml::table& top, Manifest& m, const std::string& manifestName)
{
    const toml::node* node = Field(top, "folders");
    if (!node)
        return;
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
        CheckLength(folder.path, kLongTextMax, pathNode, "path", place);
        folder.where = place.Where(&element);
        m.folders.push_back(std::move(folder));
    }
}

void ParseFiles(const toml::table& top, Manifest& m, const std::string& manifestName, const fs::path& manifestDir)
{
    const toml::node* node = Field(top, "files");
    if (!node || (node->is_array() && node->as_array()->empty()))
        Place(manifestName, "files").Fail(node, "", "no files: at least one [[files]] entry is needed");
    if (!node->is_array_of_tables())
        Place(manifestName, "files").Fail(node, "", "must be written as [[files]] tables");

    std::set<std::string> targets;
    std::size_t index = 0;
    for (const toml::node& element : *node->as_array()) {
        ++index;
        Place place(manifestName, "[[files]] #" + std::to_string(index));
        const toml::table& t = *element.as_table();
        RejectUnknownKeys(t, place, {"source", "base", "subfolder", "name", "flags"});
        ManifestFile file;

        file.sourceText = StringField(t, "source", place, true, &element);
        if (file.sourceText.empty())
            place.Fail(Field(t, "source"), "source", "is empty");
        file.source = ResolvePath(manifestDir, file.sourceText);
        place = Place(manifestName, place.entry() + " (source \"" + file.sourceText + "\")");

        file.kind = KindField(t, place, &element);

        const toml::node* subNode = Field(t, "subfolder");
        std::string sub = StringField(t, "subfolder", place, false, &element);
        file.subfolder = FolderPath(ToCp1252(sub, subNode, "subfolder", place), true, subNode, "subfolder", place);
        CheckLength(file.subfolder, kLongTextMax, subNode, "subfolder", place);

        const toml::node* nameNode = Field(t, "name");
        std::string name = nameNode ? StringField(t, "name", place, false, &element)
                                    : file.source.filename().string();
        file.name = ToCp1252(name, nameNode ? nameNode : &element, "name", place);
        if (file.name.empty() || file.name == "." || file.name == "..")
            place.Fail(nameNode, "name", "is not a file name");
        if (file.name.find_first_of("\\/:") != std::string::npos || HasForbiddenChar(file.name))
            place.Fail(nameNode, "name", "\"" + name + "\" must be a plain file name without folders, drive or <>\"|?*");
        CheckLength(file.name, kLongTextMax, nameNode ? nameNode : &element, "name", place);

        if (const toml::node* flags = Field(t, "flags")) {
            if (!flags->is_array())
                place.Fail(flags, "flags", "must be a list such as [\"Shared\", \"Required\"]");
            for (const toml::node& f : *flags->as_array()) {
                std::uint8_t bit = f.is_string() ? spd::ParseCatalogFlag(f.as_string()->get()) : 0;
                if (!bit) {
                    std::string shown = f.is_string() ? "\"" + Unshift(f.as_string()->get()) + "\"" : "a non-text value";
                    place.Fail(&f, "flags", "unknown flag " + shown + " (known flags: Shared, Required, Screensaver, Config)");
                }
                file.flags |= bit;
            }
        }

        std::string target = std::to_string(static_cast<int>(file.kind)) + "\\" + file.subfolder + "\\" + file.name;
        for (char& c : target)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        if (!targets.insert(target).second)
            place.Fail(&element, "name", "another file is already installed as \"" + name + "\" in the same folder");

        file.where = place.Where(&element);
        m.files.push_back(std::move(file));
    }
    if (m.files.size() > 0xFFFF)
        Place(manifestName, "files").Fail(node, "", "more than 65535 files");
}

}  // namespace

std::optional<std::uint64_t> ParseVolumeSize(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    std::uint64_t unit = 1;
    char last = text.back();
    if (last == 'K' || last == 'k') unit = 1024;
    if (last == 'M' || last == 'm') unit = 1024 * 1024;
    if (unit != 1)
        text.remove_suffix(1);
    if (text.empty() || text.size() > 12)
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value * unit;
}

Manifest ParseManifest(std::string_view text, const fs::path& manifestPath)
{
    const std::string name = manifestPath.string();
    Manifest m;
    m.path = manifestPath;
    fs::path dir = manifestPath.parent_path();

    if (std::size_t line = LineWithShiftedRange(text))
        throw ManifestError(name + ':' + std::to_string(line) +
                            ": holds a private-use character of plane 15, which a manifest must not hold");
    toml::table top;
    try {
        top = toml::parse(Shift(text, false), name);
    } catch (const toml::parse_error& e) {
        std::ostringstream s;
        s << name << ':' << e.source().begin.line << ':' << e.source().begin.column << ": not valid TOML: "
          << Unshift(e.description());
        throw ManifestError(s.str());
    }

    Place place(name, "manifest");
    RejectUnknownKeys(top, place,
                      {"display_name", "default_subfolder", "setup_id", "compression_level", "uninstaller",
                       "setup_program", "volumes", "folders", "files"});

    const toml::node* nameNode = Field(top, "display_name");
    m.displayName = ToCp1252(StringField(top, "display_name", place, true, nullptr), nameNode, "display_name", place);
    if (m.displayName.empty())
        place.Fail(nameNode, "display_name", "is empty");
    CheckLength(m.displayName, kShortTextMax, nameNode, "display_name", place);

    const toml::node* subNode = Field(top, "default_subfolder");
    m.defaultSubfolder = FolderPath(ToCp1252(StringField(top, "default_subfolder", place, false, nullptr), subNode,
                                             "default_subfolder", place),
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
        if (p.empty())
            place.Fail(Field(top, "uninstaller"), "uninstaller", "is empty");
        m.uninstaller = ResolvePath(dir, p);
    }
    if (Field(top, "setup_program")) {
        std::string p = StringField(top, "setup_program", place, false, nullptr);
        if (p.empty())
            place.Fail(Field(top, "setup_program"), "setup_program", "is empty");
        m.setupProgram = ResolvePath(dir, p);
    }

    ParseVolumes(top, m, name);
    ParseFolders(top, m, name);
    ParseFiles(top, m, name, dir);
    return m;
}

Manifest LoadManifest(const fs::path& manifestPath)
{
    std::ifstream in(manifestPath, std::ios::binary);
    if (!in)
        throw ManifestError(manifestPath.string() + ": cannot read the manifest");
    std::ostringstream text;
    text << in.rdbuf();
    Manifest m = ParseManifest(text.str(), manifestPath);
    CheckSources(m);
    return m;
}

void CheckSources(const Manifest& m)
{
    auto check = [&](const fs::path& p, const std::string& where, std::string_view field) {
        std::error_code ec;
        if (!fs::is_regular_file(p, ec))
            throw ManifestError(where + ": " + std::string(field) + ": source file \"" + p.string() + "\" does not exist");
    };
    for (const ManifestFile& f : m.files)
        check(f.source, f.where, "source");
    const std::string top = m.path.string() + ": manifest";
    if (m.uninstaller)
        check(*m.uninstaller, top, "uninstaller");
    if (m.setupProgram)
        check(*m.setupProgram, top, "setup_program");
}

}  // namespace spdpack
