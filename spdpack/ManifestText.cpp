#include "spdpack/ManifestText.h"

#include "spdpack/Cp1252.h"
#include "spdpack/Manifest.h"
#include "spdpack/TomlShift.h"

#include "codec/InstallableName.h"

#include <sstream>

namespace spdpack {

std::string Place::Where(const toml::node* node) const {
    std::ostringstream s;
    s << manifest_;
    if (node && node->source().begin.line) s << ':' << node->source().begin.line;
    s << ": " << entry_;
    return s.str();
}

void Place::Fail(const toml::node* node, std::string_view field, const std::string& problem) const {
    std::string msg = Where(node);
    if (!field.empty()) msg += std::string(": ") + std::string(field);
    throw ManifestError(msg + ": " + problem);
}

void RejectUnknownKeys(const toml::table& table, const Place& place, std::initializer_list<std::string_view> known) {
    for (auto&& [key, node] : table) {
        bool ok = false;
        for (std::string_view k : known) ok = ok || key.str() == k;
        if (!ok) {
            std::string list;
            for (std::string_view k : known) list += (list.empty() ? "" : ", ") + std::string(k);
            place.Fail(&node, Unshift(key.str()), "unknown field (known fields: " + list + ")");
        }
    }
}

const toml::node* Field(const toml::table& table, std::string_view key) {
    return table.get(key);
}

std::string StringField(const toml::table& table, std::string_view key, const Place& place, bool required,
                        const toml::node* fallbackNode) {
    const toml::node* node = Field(table, key);
    if (!node) {
        if (required) place.Fail(fallbackNode, key, "missing");
        return {};
    }
    if (!node->is_string()) place.Fail(node, key, "must be a text in quotes");
    return Unshift(node->as_string()->get());
}

bool BoolField(const toml::table& table, std::string_view key, const Place& place) {
    const toml::node* node = Field(table, key);
    if (!node) return false;
    if (!node->is_boolean()) place.Fail(node, key, "must be true or false");
    return node->as_boolean()->get();
}

std::string ToCp1252(const std::string& utf8, const toml::node* node, std::string_view field, const Place& place) {
    auto text = Utf8ToCp1252(utf8);
    if (!text) place.Fail(node, field, "\"" + utf8 + "\" holds a character that code page 1252 cannot represent");
    for (char ch : *text) {
        auto b = static_cast<unsigned char>(ch);
        if (b < 0x20 || b == 0x7F) place.Fail(node, field, "holds a control character");
    }
    return *text;
}

void CheckLength(const std::string& text, std::size_t max, const toml::node* node, std::string_view field,
                 const Place& place) {
    if (text.size() > max)
        place.Fail(node, field,
                   "is " + std::to_string(text.size()) + " characters long, longer than its field allows (" +
                       std::to_string(max) + ")");
}

std::string FolderPath(const std::string& cp1252, bool allowEmpty, const toml::node* node, std::string_view field,
                       const Place& place) {
    std::string p = cp1252;
    for (char& c : p)
        if (c == '/') c = '\\';
    // A leading backslash is refused below; "\" alone is not the base folder.
    while (p.size() > 1 && p.back() == '\\') p.pop_back();
    if (p.empty()) {
        if (!allowEmpty) place.Fail(node, field, "is empty");
        return p;
    }
    spd::NameProblem problem = spd::CheckFolderPath(p);
    if (problem != spd::NameProblem::None)
        place.Fail(node, field, "\"" + Cp1252ToUtf8(cp1252) + "\" " + spd::NameProblemText(problem));
    CheckLength(p, kLongTextMax, node, field, place);
    return p;
}

void CheckFileName(const std::string& cp1252, const toml::node* node, std::string_view field, const Place& place) {
    spd::NameProblem problem = spd::CheckFileName(cp1252);
    if (problem != spd::NameProblem::None)
        place.Fail(node, field,
                   "\"" + Cp1252ToUtf8(cp1252) + "\" is not a plain file name: it " + spd::NameProblemText(problem));
    CheckLength(cp1252, kLongTextMax, node, field, place);
}

std::filesystem::path ResolvePath(const std::filesystem::path& manifestDir, const std::string& text) {
    std::filesystem::path p(text);
    return p.is_absolute() ? p : manifestDir / p;
}

}  // namespace spdpack
