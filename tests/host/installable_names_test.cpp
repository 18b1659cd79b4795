// The packer's name rule over the table of names it shares with the setup
// program (tests/data/installable-names.txt; the Windows tests give the same
// table to the setup program), and when two names are the same file.
#include "common/InstallableNameTable.h"

#include "codec/InstallableName.h"
#include "spdpack/Cp1252.h"
#include "spdpack/Manifest.h"

#include <gtest/gtest.h>

namespace {

// A TOML basic string holding the code page 1252 name.
std::string TomlString(const std::string& cp1252) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out = "\"";
    for (char c : spdpack::Cp1252ToUtf8(cp1252)) {
        auto b = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b == 0x7F) {
            out += "\\u00";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

bool Accepted(const std::string& manifest) {
    try {
        spdpack::ParseManifest(manifest, "/m/k.toml");
        return true;
    } catch (const spdpack::ManifestError&) {
        return false;
    }
}

const std::string kHead =
    "display_name = \"K\"\n[[files]]\nsource = \"a.scr\"\nbase = \"Destination\"\nflags = [\"Screensaver\"]\n";

}  // namespace

TEST(InstallableNames, ManifestJudgesTheSharedTableLikeTheSetupProgram) {
    const auto rows = name_table::Load(KALV_NAME_TABLE);
    int kinds[2][2] = {};  // [folder][accept]: the table covers every combination
    for (const name_table::Row& row : rows) {
        ++kinds[row.folder][row.accept];
        const std::string field = row.folder ? "subfolder = " : "name = ";
        EXPECT_EQ(Accepted(kHead + field + TomlString(row.name) + "\n"), row.accept) << name_table::Shown(row);
        // The codec's own verdict, which the setup program calls as well.
        const bool codec = row.folder ? spd::CheckFolderPath(row.name) == spd::NameProblem::None
                                      : spd::CheckFileName(row.name) == spd::NameProblem::None;
        EXPECT_EQ(codec, row.accept) << name_table::Shown(row);
    }
    for (auto& byKind : kinds)
        for (int count : byKind) EXPECT_GT(count, 0);
}

TEST(InstallableNames, OneTargetPerFileComparedAsWindowsComparesNames) {
    struct Case {
        std::string first;   // subfolder\name of the first file, code page 1252
        std::string second;  // of the second
        bool sameFile;
    };
    const std::vector<Case> cases = {
        {"\xC4rger.txt", "\xE4rger.txt", true},  // Ä and ä
        {"Bilder\\Winter\\a.jpg", "BILDER\\winter\\A.JPG", true},
        {"\x8A"
         "eit.txt",
         "\x9A"
         "eit.txt",
         true},                          // Š and š
        {"\x9F.txt", "\xFF.txt", true},  // Ÿ and ÿ
        {"\xC6"
         "ther.txt",
         "\xE6"
         "ther.txt",
         true},  // Æ and æ
        {"Stra\xDF"
         "e.txt",
         "STRASSE.txt", false},                     // ß has no upper case of its own
        {"\xD7.txt", "\xF7.txt", false},            // × and ÷ are no letters
        {"Winter\\a.jpg", "Sommer\\a.jpg", false},  // one name in two folders
        {"a.jpg", "Winter\\a.jpg", false},
    };
    for (const Case& c : cases) {
        std::string manifest = "display_name = \"K\"\n";
        for (const std::string& target : {c.first, c.second}) {
            const std::size_t cut = target.rfind('\\');
            manifest += "[[files]]\nsource = \"a.scr\"\nbase = \"Destination\"\nname = " +
                        TomlString(target.substr(cut == std::string::npos ? 0 : cut + 1)) + "\n";
            if (cut != std::string::npos) manifest += "subfolder = " + TomlString(target.substr(0, cut)) + "\n";
        }
        EXPECT_EQ(Accepted(manifest), !c.sameFile) << c.first << " | " << c.second;
        EXPECT_EQ(spd::SameName(c.first, c.second), c.sameFile) << c.first << " | " << c.second;
    }
}
