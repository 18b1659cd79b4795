// The pieces every part of the manifest parser uses: where an entry lies
// (for messages), reading its fields, and turning texts into the code page
// 1252 names and folder paths of the setup data.
#pragma once

#include <toml++/toml.h>

#include <cstddef>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

namespace spdpack {

inline constexpr std::size_t kShortTextMax = 63;  // display name, default subfolder
inline constexpr std::size_t kLongTextMax = 255;  // folder paths, subfolders, file names

// Where an entry lies, for messages: "file.toml:12: [[files]] #2".
class Place {
public:
    Place(std::string manifest, std::string entry) : manifest_(std::move(manifest)), entry_(std::move(entry)) {}

    // "file.toml:LINE: entry", the line that of node when it has one.
    std::string Where(const toml::node* node) const;

    // Throws ManifestError "Where(node): field: problem".
    [[noreturn]] void Fail(const toml::node* node, std::string_view field, const std::string& problem) const;

    const std::string& manifest() const { return manifest_; }
    const std::string& entry() const { return entry_; }

private:
    std::string manifest_;
    std::string entry_;
};

void RejectUnknownKeys(const toml::table& table, const Place& place, std::initializer_list<std::string_view> known);

const toml::node* Field(const toml::table& table, std::string_view key);

// The text of a field (empty when absent and not required).
std::string StringField(const toml::table& table, std::string_view key, const Place& place, bool required,
                        const toml::node* fallbackNode);

// true/false of a field; false when absent.
bool BoolField(const toml::table& table, std::string_view key, const Place& place);

// UTF-8 to code page 1252; refuses characters the code page lacks and
// control characters.
std::string ToCp1252(const std::string& utf8, const toml::node* node, std::string_view field, const Place& place);

void CheckLength(const std::string& text, std::size_t max, const toml::node* node, std::string_view field,
                 const Place& place);

// A folder path below a base folder, as written in a manifest: slashes
// become backslashes, trailing ones are dropped, then the installable-name
// rule (codec/InstallableName.h) and the 255-character field apply.
std::string FolderPath(const std::string& cp1252, bool allowEmpty, const toml::node* node, std::string_view field,
                       const Place& place);

// A file name by the installable-name rule, at most 255 characters.
void CheckFileName(const std::string& cp1252, const toml::node* node, std::string_view field, const Place& place);

// A source path of the manifest: as written when absolute, else below the
// manifest's folder.
std::filesystem::path ResolvePath(const std::filesystem::path& manifestDir, const std::string& text);

}  // namespace spdpack
