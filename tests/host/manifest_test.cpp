// Manifest parsing: a full manifest, then every refused case with the file,
// the entry and the field named in its message.
#include "TestSupport.h"

#include "spdpack/Manifest.h"
#include "spdpack/SourceList.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const char* const kGood = R"(
display_name = "Kalvorin Spaß"
default_subfolder = "Brisvane/Kalvorin"
setup_id = "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}"
compression_level = 9
uninstaller = "bin/UnScr.exe"
setup_program = "/opt/setup.exe"

[volumes]
size = "1440K"
layout = "disk folders"
single_volume_count = 0

[[folders]]
base = "Destination"
path = "Bilder/Winter/"

[[files]]
source = "payload/Kalvorin.scr"
base = "System"
flags = ["Screensaver", "Required"]

[[files]]
source = "payload/winter.cfg"
base = "destination"
subfolder = "Bilder\\Winter"
name = "Winter.cfg"
flags = ["Config", "Shared"]
)";

std::string ErrorOf(const std::string& text, const std::string& name = "/m/kalvorin.toml") {
    try {
        spdpack::ParseManifest(text, name);
    } catch (const spdpack::ManifestError& e) {
        return e.what();
    }
    return "(no error)";
}

const std::string kFileEntry = "[[files]]\nsource = \"a.scr\"\nbase = \"System\"\n";

std::string WithFile(const std::string& fileFields, const std::string& top = "display_name = \"K\"\n") {
    return top + "[[files]]\n" + fileFields;
}

}  // namespace

TEST(Manifest, FullManifest) {
    spdpack::Manifest m = spdpack::ParseManifest(kGood, "/m/kalvorin.toml");
    EXPECT_EQ(m.displayName, "Kalvorin Spa\xDF");
    EXPECT_EQ(m.defaultSubfolder, "Brisvane\\Kalvorin");
    EXPECT_EQ(m.setupId->Format(), "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
    EXPECT_EQ(m.compressionLevel, 9);
    EXPECT_EQ(*m.uninstaller, std::filesystem::path("/m/bin/UnScr.exe"));
    EXPECT_EQ(*m.setupProgram, std::filesystem::path("/opt/setup.exe"));
    EXPECT_EQ(m.volumeSize, 1440u * 1024);
    EXPECT_EQ(m.layout, spdpack::VolumeLayout::DiskFolders);
    EXPECT_EQ(m.singleVolumeCount, 0);
    ASSERT_EQ(m.folders.size(), 2u);
    EXPECT_EQ(m.folders[0].kind, spd::FolderKind::Destination);
    EXPECT_EQ(m.folders[0].path, "Bilder\\Winter");
    EXPECT_FALSE(m.folders[0].added);
    EXPECT_EQ(m.folders[1].path, "Bilder");  // the listed folder's parent
    EXPECT_TRUE(m.folders[1].added);
    ASSERT_EQ(m.files.size(), 2u);
    EXPECT_EQ(m.files[0].source, std::filesystem::path("/m/payload/Kalvorin.scr"));
    EXPECT_EQ(m.files[0].name, "Kalvorin.scr");
    EXPECT_EQ(m.files[0].kind, spd::FolderKind::System);
    EXPECT_EQ(m.files[0].subfolder, "");
    EXPECT_EQ(m.files[0].flags, 0x06);
    EXPECT_EQ(m.files[1].name, "Winter.cfg");
    EXPECT_EQ(m.files[1].subfolder, "Bilder\\Winter");
    EXPECT_EQ(m.files[1].flags, 0x09);
}

TEST(Manifest, Defaults) {
    spdpack::Manifest m = spdpack::ParseManifest("display_name = \"K\"\n" + kFileEntry, "k.toml");
    EXPECT_FALSE(m.setupId);
    EXPECT_EQ(m.compressionLevel, 6);
    EXPECT_EQ(m.volumeSize, 0u);
    EXPECT_EQ(m.layout, spdpack::VolumeLayout::Flat);
    EXPECT_EQ(m.singleVolumeCount, 1);
    EXPECT_TRUE(m.folders.empty());
    EXPECT_EQ(m.defaultSubfolder, "");
    EXPECT_EQ(m.files[0].flags, 0);
}

TEST(Manifest, RefusedCasesNameFileEntryAndField) {
    struct Case {
        std::string text;
        std::vector<std::string> expected;  // parts of the message
    };
    const std::string top = "display_name = \"K\"\n";
    const std::vector<Case> cases = {
        {WithFile("source = \"a.scr\"\nbase = \"System\"\nflags = [\"Shared\", \"Sharde\"]\n"),
         {"/m/kalvorin.toml:5", "[[files]] #1 (source \"a.scr\")", "flags", "unknown flag \"Sharde\""}},
        {WithFile("source = \"a.scr\"\nbase = \"Desktop\"\n"),
         {"[[files]] #1", "base", "unknown base folder \"Desktop\""}},
        {top + "[[folders]]\nbase = \"Temp\"\npath = \"x\"\n" + kFileEntry,
         {"[[folders]] #1", "base", "unknown base folder \"Temp\""}},
        {WithFile("base = \"System\"\n"), {"[[files]] #1", "source", "missing"}},
        {WithFile("source = \"a.scr\"\n"), {"[[files]] #1", "base", "missing"}},
        {WithFile("source = \"a.scr\"\nbase = \"System\"\nname = \"" + std::string(256, 'n') + "\"\n"),
         {"[[files]] #1", "name", "256 characters", "(255)"}},
        {WithFile("source = \"a.scr\"\nbase = \"System\"\nsubfolder = \"" + std::string(256, 's') + "\"\n"),
         {"[[files]] #1", "subfolder", "longer than its field"}},
        {top + "[[folders]]\nbase = \"Destination\"\npath = \"" + std::string(256, 'p') + "\"\n" + kFileEntry,
         {"[[folders]] #1", "path", "longer than its field"}},
        {"display_name = \"" + std::string(64, 'd') + "\"\n" + kFileEntry,
         {"/m/kalvorin.toml:1", "manifest", "display_name", "64 characters", "(63)"}},
        {"display_name = \"Kalvorin\\\\Winter\"\n" + kFileEntry, {"/m/kalvorin.toml:1", "display_name", "backslash"}},
        {top + "default_subfolder = \"" + std::string(64, 'd') + "\"\n" + kFileEntry,
         {"default_subfolder", "longer than its field"}},
        {WithFile("source = \"a.scr\"\nbase = \"System\"\nsubfolder = \"Bilder\\\\..\\\\..\\\\Windows\"\n"),
         {"[[files]] #1", "subfolder", "\"..\" component"}},
        {top + "[[folders]]\nbase = \"Destination\"\npath = \"../x\"\n" + kFileEntry,
         {"[[folders]] #1", "path", "\"..\" component"}},
        {WithFile("source = \"a.scr\"\nbase = \"System\"\nsubfolder = \"C:\\\\Windows\"\n"),
         {"subfolder", "names a drive"}},
        {top + "[[folders]]\nbase = \"Destination\"\npath = \"D:x\"\n" + kFileEntry, {"path", "names a drive"}},
        {WithFile("source = \"a.scr\"\nbase = \"System\"\nsubfolder = \"\\\\Bilder\"\n"),
         {"subfolder", "starts with a backslash"}},
        {top + "[[folders]]\nbase = \"Destination\"\npath = \"/Bilder\"\n" + kFileEntry,
         {"[[folders]] #1", "path", "starts with a backslash"}},
        {top + "default_subfolder = \"..\"\n" + kFileEntry, {"default_subfolder", "\"..\" component"}},
        {top, {"/m/kalvorin.toml", "files", "no files"}},
        {top + "files = []\n", {"files", "no files"}},
        {"[[files]]\nsource = \"a\"\nbase = \"System\"\n", {"manifest", "display_name", "missing"}},
        {top + "display = 1\n" + kFileEntry, {"manifest", "display", "unknown field"}},
        {WithFile("source = \"a.scr\"\nbase = \"System\"\nflag = [\"Shared\"]\n"),
         {"[[files]] #1", "flag", "unknown field"}},
        {top + "setup_id = \"not-a-guid\"\n" + kFileEntry, {"setup_id", "not a GUID"}},
        {top + "compression_level = 10\n" + kFileEntry, {"compression_level", "0 to 9"}},
        {top + "[volumes]\nsize = 100\n" + kFileEntry, {"[volumes]", "size", "at least 512"}},
        {top + "[volumes]\nsize = \"1.4M\"\n" + kFileEntry, {"[volumes]", "size"}},
        {top + "[volumes]\nlayout = \"disks\"\n" + kFileEntry, {"[volumes]", "layout", "\"flat\" or \"disk folders\""}},
        {top + "[volumes]\nsingle_volume_count = 2\n" + kFileEntry, {"single_volume_count", "0 or 1"}},
        {"display_name = \"\xE6\x97\xA5\"\n" + kFileEntry, {"display_name", "code page 1252"}},
        {WithFile("source = \"a.scr\"\nbase = \"System\"\nname = \"sub\\\\a.scr\"\n"), {"name", "plain file name"}},
        {WithFile("source = \"a.scr\"\nbase = \"System\"\nname = \"a?.scr\"\n"), {"name", "plain file name"}},
        {top + kFileEntry + "[[files]]\nsource = \"b/A.SCR\"\nbase = \"System\"\n",
         {"[[files]] #2", "name", "already installed"}},
        {top + "[[files]]\nsource = \"a\"\nbase = \"System\"\nflags = [\"Config\", 3]\n",
         {"flags", "unknown flag a non-text value"}},
        {"display_name = \"K\"\n[[files]\n", {"/m/kalvorin.toml:2", "not valid TOML"}},
        {WithFile("source = \"a.scr\"\nbase = \"System\"\nname = \"Con.txt\"\n"),
         {"name", "plain file name", "device name"}},
        {WithFile("source = \"a.scr\"\nbase = \"System\"\nname = \"a.scr.\"\n"), {"name", "ending in a dot"}},
        {WithFile("source = \"a.scr\"\nbase = \"System\"\nsubfolder = \"Bilder/aux\"\n"), {"subfolder", "device name"}},
        {top + "[[folders]]\nbase = \"Destination\"\npath = \"Bilder/. .\"\n" + kFileEntry,
         {"path", "dots and blanks"}},
        {top +
             "[[folders]]\nbase = \"Destination\"\npath = \"Bilder\"\n[[folders]]\nbase = \"destination\"\npath = "
             "\"BILDER/\"\n" +
             kFileEntry,
         {"[[folders]] #2", "path", "listed already", "[[folders]] #1"}},
        {top + "[[folders]]\nbase = \"System\"\npath = \"Daten\"\n" + kFileEntry + "name = \"daten\"\n",
         {"[[files]] #1", "name", "also the name of a folder"}},
        {WithFile("source = \"a.scr\"\nbase = \"System\"\nrecursive = true\n"), {"recursive", "names one file"}},
        {WithFile("source = \"a.scr\"\nbase = \"System\"\nrecursive = 1\n"), {"recursive", "true or false"}},
        {WithFile("source = \"Bil*/a.jpg\"\nbase = \"System\"\n"), {"source", "file name part only"}},
    };
    for (const Case& c : cases) {
        std::string message = ErrorOf(c.text);
        for (const std::string& part : c.expected)
            EXPECT_NE(message.find(part), std::string::npos) << "expected \"" << part << "\" in: " << message;
    }
}

TEST(Manifest, NonAsciiTextInEveryStringForm) {
    // A line-ending backslash in a multi-line string followed by "ü" once
    // led the TOML parser into undefined behaviour.
    spdpack::Manifest m = spdpack::ParseManifest(
        "# Bilder f\xC3\xBCr den Winter\n"
        "display_name = \"\"\"Spa\xC3\x9F \\\n   \xC3\xBC"
        "berall\"\"\"\n"
        "default_subfolder = '\xC3\x84pfel'\n" +
            kFileEntry + "subfolder = \"\xC3\x96l\"\n",
        "k.toml");
    EXPECT_EQ(m.displayName,
              "Spa\xDF \xFC"
              "berall");
    EXPECT_EQ(m.defaultSubfolder, "\xC4pfel");
    EXPECT_EQ(m.files[0].subfolder, "\xD6l");

    std::string bareUmlaut = ErrorOf("di. Spa\xC3\x9F\"\n[[files]]\ns\n");
    EXPECT_NE(bareUmlaut.find("not valid TOML"), std::string::npos) << bareUmlaut;
    std::string privateUse = ErrorOf("display_name = \"\xF3\xB0\x82\xA1\"\n" + kFileEntry);
    EXPECT_NE(privateUse.find("/m/kalvorin.toml:1"), std::string::npos) << privateUse;
    EXPECT_NE(privateUse.find("private-use"), std::string::npos) << privateUse;
}

TEST(Manifest, LimitsAreInclusive) {
    std::string text = "display_name = \"" + std::string(63, 'd') + "\"\ndefault_subfolder = \"" +
                       std::string(63, 's') + "\"\n[[files]]\nsource = \"a\"\nbase = \"System\"\nname = \"" +
                       std::string(255, 'n') + "\"\nsubfolder = \"" + std::string(255, 'u') +
                       "\"\n[volumes]\nsize = 512\n";
    spdpack::Manifest m = spdpack::ParseManifest(text, "k.toml");
    EXPECT_EQ(m.displayName.size(), 63u);
    EXPECT_EQ(m.files[0].name.size(), 255u);
    EXPECT_EQ(m.volumeSize, 512u);
}

TEST(Manifest, MissingSourceIsNamed) {
    TempDir dir;
    WriteText(dir / "present.scr", "x");
    WriteText(dir / "k.toml",
              "display_name = \"K\"\n[[files]]\nsource = \"present.scr\"\nbase = \"System\"\n"
              "[[files]]\nsource = \"absent.dll\"\nbase = \"System\"\n");
    try {
        spdpack::LoadManifest(dir / "k.toml");
        FAIL() << "no error";
    } catch (const spdpack::ManifestError& e) {
        std::string m = e.what();
        EXPECT_NE(m.find((dir / "k.toml").string()), std::string::npos) << m;
        EXPECT_NE(m.find("[[files]] #2 (source \"absent.dll\")"), std::string::npos) << m;
        EXPECT_NE(m.find("source"), std::string::npos) << m;
        EXPECT_NE(m.find("does not exist"), std::string::npos) << m;
    }
}

TEST(Manifest, FolderAndPatternSourcesListTheirFilesSorted) {
    TempDir dir;
    for (const char* f : {"Bilder/b.jpg", "Bilder/a.jpg", "Bilder/c.txt", "Bilder/.versteckt.jpg", "Bilder/Sub/d.jpg",
                          "Bilder/.git/e.jpg", "Fehler/CON.jpg"})
        WriteText(dir / f, "x");
    const std::string head = "display_name = \"K\"\n";
    auto entry = [](const std::string& fields) { return "[[files]]\nbase = \"Destination\"\n" + fields; };
    spdpack::Manifest m = spdpack::ParseManifest(
        head + entry("source = \"Bilder/*.jpg\"\nsubfolder = \"Flach\"\nflags = [\"Shared\"]\n") +
            entry("source = \"Bilder\"\nsubfolder = \"Alle\"\nrecursive = true\n") +
            entry("source = \"Bilder/Sub/?.jpg\"\n") + entry("source = \"Bilder/\"\n"),
        dir / "k.toml");
    std::vector<std::string> targets;
    for (const spdpack::ManifestFile& f : m.files)
        targets.push_back(f.subfolder + "|" + f.name + "|" + f.source.lexically_relative(dir.path()).generic_string() +
                          "|" + std::to_string(f.flags));
    EXPECT_EQ(targets, (std::vector<std::string>{"Flach|a.jpg|Bilder/a.jpg|1", "Flach|b.jpg|Bilder/b.jpg|1",
                                                 "Alle\\Sub|d.jpg|Bilder/Sub/d.jpg|0", "Alle|a.jpg|Bilder/a.jpg|0",
                                                 "Alle|b.jpg|Bilder/b.jpg|0", "Alle|c.txt|Bilder/c.txt|0",
                                                 "|d.jpg|Bilder/Sub/d.jpg|0", "|a.jpg|Bilder/a.jpg|0",
                                                 "|b.jpg|Bilder/b.jpg|0", "|c.txt|Bilder/c.txt|0"}));
    EXPECT_NE(m.files[2].where.find("[[files]] #2 (source \"Bilder\"): file \"Sub/d.jpg\""), std::string::npos)
        << m.files[2].where;
    // The folders the subfolders need, parents first.
    std::vector<std::string> folders;
    for (const spdpack::ManifestFolder& f : m.folders) folders.push_back(f.path + (f.added ? " (added)" : ""));
    EXPECT_EQ(folders, (std::vector<std::string>{"Flach (added)", "Alle (added)", "Alle\\Sub (added)"}));

    struct Case {
        std::string fields;
        std::vector<std::string> expected;
    };
    const std::vector<Case> refused = {
        {"source = \"Bilder/*.png\"\n",
         {"[[files]] #1 (source \"Bilder/*.png\")", "source", "matches no file", "recursive"}},
        {"source = \"Leer/*.jpg\"\n", {"source", "does not exist"}},
        {"source = \"Bilder\"\nname = \"x.jpg\"\n", {"name", "cannot be given"}},
        {"source = \"Fehler\"\n", {"(source \"Fehler\"): file \"CON.jpg\"", "name", "device name"}},
    };
    for (const Case& c : refused) {
        std::string message = "(no error)";
        try {
            spdpack::ParseManifest(head + entry(c.fields), dir / "k.toml");
        } catch (const spdpack::ManifestError& e) {
            message = e.what();
        }
        for (const std::string& part : c.expected)
            EXPECT_NE(message.find(part), std::string::npos) << "expected \"" << part << "\" in: " << message;
    }
}

TEST(Manifest, PatternsMatchWholeNames) {
    const std::vector<std::tuple<std::string, std::string, bool>> cases = {
        {"*.jpg", "winter.jpg", true},    {"*.jpg", "winter.jpeg", false},  {"*.jpg", ".jpg", true},
        {"w?nter.*", "winter.jpg", true}, {"w?nter.*", "wnter.jpg", false}, {"*", "", true},
        {"?", "\xC3\xA4", true},  // one character, two bytes of UTF-8
        {"a*b*c", "aXbYbZc", true},       {"a*b*c", "aXbYbZ", false},       {"*.JPG", "a.jpg", false},
    };
    for (const auto& [pattern, name, match] : cases)
        EXPECT_EQ(spdpack::MatchPattern(pattern, name), match) << pattern << " | " << name;
}

TEST(Manifest, ScreensaverFlagWarnings) {
    const std::string head = "display_name = \"K\"\n";
    auto file = [](const std::string& name, const std::string& flags) {
        return "[[files]]\nsource = \"a\"\nbase = \"System\"\nname = \"" + name + "\"\nflags = [" + flags + "]\n";
    };
    struct Case {
        std::string files;
        std::vector<std::string> warnings;  // a part of each warning, in order
    };
    const std::vector<Case> cases = {
        {file("Kalvorin.SCR", "\"Screensaver\""), {}},
        {file("Kalvorin.exe", "\"Screensaver\""),
         {"[[files]] #1 (source \"a\"): flags: Screensaver on \"Kalvorin.exe\", which is not a .scr"}},
        {file("a.scr", "\"Screensaver\"") + file("b.scr", "\"Screensaver\""),
         {"[[files]] #2 (source \"a\"): flags: a second file flagged Screensaver (the first: /m/k.toml:2: [[files]] "
          "#1"}},
        {file("a.scr", "\"Shared\""), {"/m/k.toml: no file is flagged Screensaver"}},
    };
    for (const Case& c : cases) {
        spdpack::Manifest m = spdpack::ParseManifest(head + c.files, "/m/k.toml");
        ASSERT_EQ(m.warnings.size(), c.warnings.size()) << c.files;
        for (std::size_t i = 0; i < c.warnings.size(); ++i)
            EXPECT_NE(m.warnings[i].find(c.warnings[i]), std::string::npos) << m.warnings[i];
    }
}
