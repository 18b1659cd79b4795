// spdpack as a program: build, inspect and log on real files.
#include "TestSupport.h"

#include "codec/BlockHeader.h"
#include "codec/PackedProgram.h"
#include "codec/SetupData.h"
#include "codec/UninstallLog.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

std::uint32_t Le32(const Bytes& b, std::size_t off) {
    return b.at(off) | (b.at(off + 1) << 8) | (b.at(off + 2) << 16) | (std::uint32_t(b.at(off + 3)) << 24);
}

std::uint16_t Le16(const Bytes& b, std::size_t off) {
    return static_cast<std::uint16_t>(b.at(off) | (b.at(off + 1) << 8));
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const char* const kSetupId = "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}";

// A project folder with payload files and a manifest.
class Project {
public:
    Project() {
        WriteFile(dir / "payload/Kalvorin.scr", Pseudorandom(2500, 11));
        WriteFile(dir / "payload/kalvgl.dll", Pseudorandom(1200, 12));
        std::string cfg;
        for (int i = 0; i < 30; ++i) cfg += "Bild" + std::to_string(i) + "=winter" + std::to_string(i) + ".jpg\r\n";
        WriteText(dir / "payload/winter.cfg", cfg);
        WriteFile(dir / "payload/readme.txt", Bytes{});
        WriteFile(dir / "bin/UnScr.exe", Pseudorandom(200, 13));
        WriteFile(dir / "bin/setup.exe", Pseudorandom(300, 14));
    }

    // Folder table, all four flags, volumes of 2048 bytes in disk folders.
    std::string FullManifest(const std::string& volumes = "[volumes]\nsize = 2048\nlayout = \"disk folders\"\n") const {
        return std::string("display_name = \"Kalvorin\"\ndefault_subfolder = \"Kalvorin\"\n") + "setup_id = \"" +
               kSetupId +
               "\"\ncompression_level = 9\n"
               "uninstaller = \"bin/UnScr.exe\"\nsetup_program = \"bin/setup.exe\"\n" +
               volumes +
               "[[folders]]\nbase = \"Destination\"\npath = \"Bilder/Winter\"\n"
               "[[folders]]\nbase = \"Destination\"\npath = \"Bilder\"\n"
               "[[files]]\nsource = \"payload/Kalvorin.scr\"\nbase = \"System\"\nflags = [\"Screensaver\", "
               "\"Required\"]\n"
               "[[files]]\nsource = \"payload/kalvgl.dll\"\nbase = \"System\"\nflags = [\"Shared\"]\n"
               "[[files]]\nsource = \"payload/winter.cfg\"\nbase = \"Destination\"\nsubfolder = \"Bilder/Winter\"\n"
               "flags = [\"Config\"]\n"
               "[[files]]\nsource = \"payload/readme.txt\"\nbase = \"Destination\"\nname = \"Liesmich.txt\"\n";
    }

    fs::path Manifest(const std::string& text, const std::string& name = "kalvorin.toml") const {
        WriteText(dir / name, text);
        return dir / name;
    }

    RunResult Build(const fs::path& manifest, const fs::path& out, std::vector<std::string> extra = {}) const {
        std::vector<std::string> args = {"build", manifest.string(), "-o", out.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunSpdpack(args);
    }

    TempDir dir;
};

Bytes JoinByHand(const std::vector<fs::path>& volumes) {
    Bytes joined = ReadFile(volumes[0]);
    for (std::size_t i = 1; i < volumes.size(); ++i) {
        Bytes v = ReadFile(volumes[i]);
        joined.insert(joined.end(), v.begin() + 88, v.end());
    }
    return joined;
}

}  // namespace

TEST(SpdpackBuild, DiskFoldersWithThreeVolumesAndAllFlags) {
    Project p;
    fs::path out = p.dir / "out";
    RunResult r = p.Build(p.Manifest(p.FullManifest()), out);
    ASSERT_EQ(r.exitCode, 0) << r.err;

    EXPECT_EQ(Listing(out),
              (std::vector<std::string>{"Disk 1", "Disk 1/_setup.spd", "Disk 1/setup.exe", "Disk 1/user.spd", "Disk 2",
                                        "Disk 2/user.001", "Disk 3", "Disk 3/user.002"}));
    EXPECT_EQ(ReadFile(out / "Disk 1/setup.exe"), ReadFile(p.dir / "bin/setup.exe"));
    EXPECT_EQ(spd::UnpackProgram(ReadFile(out / "Disk 1/_setup.spd")).value, ReadFile(p.dir / "bin/UnScr.exe"));
    // Disk 1 holds setup.exe and _setup.spd within the 2048 bytes as well.
    const std::uint64_t first = 2048 - 300 - fs::file_size(out / "Disk 1/_setup.spd");
    EXPECT_EQ(fs::file_size(out / "Disk 1/user.spd"), first);
    EXPECT_EQ(fs::file_size(out / "Disk 2/user.001"), 2048u);
    EXPECT_LE(fs::file_size(out / "Disk 3/user.002"), 2048u);

    Bytes joined = JoinByHand({out / "Disk 1/user.spd", out / "Disk 2/user.001", out / "Disk 3/user.002"});
    EXPECT_EQ(Le16(joined, 12), 3) << "volumeCount";
    EXPECT_EQ(Le32(joined, 20), joined.size()) << "dataLength";
    EXPECT_EQ(Le32(joined, 16), ZAdler(Bytes(joined.begin() + 192, joined.end()))) << "Adler-32 from offset 192";
    EXPECT_EQ(Le16(joined, 36), 2) << "folderCount";
    EXPECT_EQ(Le16(joined, 44), 4) << "fileCount";

    // The first split point lies inside a block.
    std::size_t pos = 192;
    bool inside = false;
    auto step = [&](std::size_t start, std::size_t end) { inside = inside || (start < first && first < end); };
    std::uint32_t catalogOffset = Le32(joined, 40);
    step(pos, catalogOffset);
    pos = catalogOffset + 16;
    for (int i = 0; i < 2 * 4; ++i) {
        std::size_t end = pos + 16 + Le32(joined, pos + 8);
        step(pos, end);
        pos = end;
    }
    EXPECT_EQ(pos, joined.size());
    EXPECT_TRUE(inside);

    RunResult inspect = RunSpdpack({"inspect", out.string()});
    EXPECT_EQ(inspect.exitCode, 0) << inspect.out << inspect.err;
    EXPECT_TRUE(Contains(inspect.out, "All checks passed.")) << inspect.out;
    EXPECT_TRUE(Contains(inspect.out, "Required,Screensaver")) << inspect.out;
    EXPECT_TRUE(Contains(inspect.out, "Shared")) << inspect.out;
    EXPECT_TRUE(Contains(inspect.out, "Config")) << inspect.out;
    EXPECT_TRUE(Contains(inspect.out, "<Destination>\\Bilder\\Winter\\winter.cfg")) << inspect.out;
    EXPECT_TRUE(Contains(inspect.out, "<Destination>\\Liesmich.txt")) << inspect.out;
    EXPECT_TRUE(Contains(inspect.out, "\"Bilder\\Winter\"")) << inspect.out;
    EXPECT_TRUE(Contains(inspect.out, kSetupId)) << inspect.out;
}

TEST(SpdpackBuild, InspectReportsAChangedByteAfterOffset192) {
    Project p;
    fs::path out = p.dir / "out";
    ASSERT_EQ(p.Build(p.Manifest(p.FullManifest()), out).exitCode, 0);

    const std::size_t lastOfFirst = fs::file_size(out / "Disk 1/user.spd") - 1;
    for (const auto& [file, offset] : {std::pair<std::string, std::size_t>{"Disk 1/user.spd", 192},
                                       {"Disk 1/user.spd", lastOfFirst},
                                       {"Disk 2/user.001", 88 + 500},
                                       {"Disk 3/user.002", 100}}) {
        fs::path target = out / file;
        Bytes original = ReadFile(target);
        Bytes changed = original;
        changed.at(offset) ^= 0x01;
        WriteFile(target, changed);
        RunResult r = RunSpdpack({"inspect", out.string()});
        EXPECT_EQ(r.exitCode, 1) << file << " " << offset;
        EXPECT_TRUE(Contains(r.err, "dataChecksum")) << r.err;
        WriteFile(target, original);
    }
    EXPECT_EQ(RunSpdpack({"inspect", out.string()}).exitCode, 0);

    // A changed volume header is reported as well.
    Bytes volume = ReadFile(out / "Disk 2/user.001");
    volume[6] = 2;  // volume number 2 in user.001
    WriteFile(out / "Disk 2/user.001", volume);
    RunResult r = RunSpdpack({"inspect", out.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "another volume")) << r.err;

    fs::remove(out / "Disk 3/user.002");
    r = RunSpdpack({"inspect", out.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "user.002 not found")) << r.err;
}

TEST(SpdpackBuild, FlatLayoutPutsVolumesBesideUserSpd) {
    Project p;
    fs::path out = p.dir / "flat";
    ASSERT_EQ(p.Build(p.Manifest(p.FullManifest("[volumes]\nsize = 2048\nlayout = \"flat\"\n")), out).exitCode, 0);
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"_setup.spd", "setup.exe", "user.001", "user.002", "user.spd"}));
    RunResult r = RunSpdpack({"inspect", (out / "user.spd").string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST(SpdpackBuild, NoFoldersAndOneFile) {
    Project p;
    fs::path out = p.dir / "one";
    fs::path m = p.Manifest(
        "display_name = \"Kalvorin\"\nuninstaller = \"bin/UnScr.exe\"\nsetup_program = \"bin/setup.exe\"\n"
        "[volumes]\nsingle_volume_count = 0\n"
        "[[files]]\nsource = \"payload/Kalvorin.scr\"\nbase = \"System\"\nflags = [\"Screensaver\"]\n");
    RunResult r = p.Build(m, out);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "(generated")) << r.out;
    Bytes data = ReadFile(out / "user.spd");
    EXPECT_EQ(Le16(data, 12), 0) << "volumeCount as the manifest asks";
    EXPECT_EQ(Le16(data, 36), 0) << "folderCount";
    EXPECT_EQ(Le32(data, 40), 208u) << "catalogOffset right after the empty folder table";
    EXPECT_EQ(Bytes(data.begin() + 193, data.begin() + 208), Bytes(15, 0)) << "no-table BlockHeader";
    EXPECT_EQ(Le32(data, 20), data.size());
    RunResult inspect = RunSpdpack({"inspect", out.string()});
    EXPECT_EQ(inspect.exitCode, 0) << inspect.err;
    EXPECT_TRUE(Contains(inspect.out, "Folders: none")) << inspect.out;
}

TEST(SpdpackBuild, BadManifestsLeaveNothingBehind) {
    Project p;
    const std::string head =
        "display_name = \"Kalvorin\"\nuninstaller = \"bin/UnScr.exe\"\nsetup_program = \"bin/setup.exe\"\n";
    const std::string file = "[[files]]\nsource = \"payload/Kalvorin.scr\"\nbase = \"System\"\n";
    struct Case {
        std::string manifest;
        std::vector<std::string> message;
    };
    const std::vector<Case> cases = {
        {head, {"files", "no files"}},
        {head + file + "flags = [\"Screen\"]\n",
         {"[[files]] #1 (source \"payload/Kalvorin.scr\")", "flags", "unknown flag"}},
        {head + "[[files]]\nsource = \"payload/Kalvorin.scr\"\nbase = \"Temp\"\n",
         {"[[files]] #1", "base", "unknown base folder"}},
        {head + "[[files]]\nsource = \"payload/none.scr\"\nbase = \"System\"\n",
         {"[[files]] #1 (source \"payload/none.scr\")", "source", "does not exist"}},
        {head + file + "name = \"" + std::string(300, 'x') + "\"\n", {"[[files]] #1", "name", "longer than its field"}},
        {"display_name = \"" + std::string(64, 'K') + "\"\n" + file, {"manifest", "display_name", "(63)"}},
        {head + file + "subfolder = \"a/../../b\"\n", {"subfolder", "\"..\" component"}},
        {head + "[[folders]]\nbase = \"Destination\"\npath = \"E:\\\\Daten\"\n" + file,
         {"[[folders]] #1", "path", "names a drive"}},
        {head + "[[folders]]\nbase = \"Destination\"\npath = \"\\\\Daten\"\n" + file,
         {"[[folders]] #1", "path", "starts with a backslash"}},
        {"display_name = \"K\"\nsetup_program = \"bin/setup.exe\"\n" + file, {"manifest", "uninstaller", "missing"}},
        {"display_name = \"K\"\nuninstaller = \"bin/UnScr.exe\"\n" + file, {"manifest", "setup_program", "missing"}},
    };
    std::vector<std::string> before = Listing(p.dir.path());
    int index = 0;
    for (const Case& c : cases) {
        fs::path manifest = p.Manifest(c.manifest, "bad" + std::to_string(++index) + ".toml");
        before.push_back(manifest.filename().string());
        std::sort(before.begin(), before.end());
        fs::path out = p.dir / "sub" / "out";
        RunResult r = p.Build(manifest, out);
        EXPECT_EQ(r.exitCode, 1) << c.manifest;
        EXPECT_TRUE(Contains(r.err, manifest.string())) << r.err;
        for (const std::string& part : c.message)
            EXPECT_TRUE(Contains(r.err, part)) << "expected \"" << part << "\" in: " << r.err;
        EXPECT_FALSE(fs::exists(p.dir / "sub")) << c.manifest;
        EXPECT_EQ(Listing(p.dir.path()), before) << c.manifest;
    }
}

TEST(SpdpackBuild, FailedBuildKeepsAnEarlierOutput) {
    Project p;
    fs::path out = p.dir / "out";
    ASSERT_EQ(p.Build(p.Manifest(p.FullManifest()), out).exitCode, 0);
    std::vector<std::string> before = Listing(out);
    Bytes userSpd = ReadFile(out / "Disk 1/user.spd");
    fs::path bad = p.Manifest(
        "display_name = \"K\"\nuninstaller = \"bin/UnScr.exe\"\nsetup_program = \"bin/setup.exe\"\n"
        "[[files]]\nsource = \"payload/kalvgl.dll\"\nbase = \"System\"\nflags = [\"Kaputt\"]\n",
        "bad.toml");
    EXPECT_EQ(p.Build(bad, out).exitCode, 1);
    EXPECT_EQ(Listing(out), before);
    EXPECT_EQ(ReadFile(out / "Disk 1/user.spd"), userSpd);
    for (const auto& e : fs::directory_iterator(p.dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".out.spdpack-"), std::string::npos) << "staging folder left";
}

TEST(SpdpackBuild, RebuildRemovesStaleVolumesOnly) {
    Project p;
    fs::path out = p.dir / "out";
    ASSERT_EQ(p.Build(p.Manifest(p.FullManifest("[volumes]\nsize = 2048\n")), out).exitCode, 0);
    ASSERT_TRUE(fs::exists(out / "user.002"));
    WriteText(out / "notes.txt", "mine");
    ASSERT_EQ(p.Build(p.Manifest(p.FullManifest("")), out).exitCode, 0);
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"_setup.spd", "notes.txt", "setup.exe", "user.spd"}));
    EXPECT_EQ(RunSpdpack({"inspect", out.string()}).exitCode, 0);

    // The same folder written with a trailing separator or "/.".
    for (const std::string& spelling : {out.string() + "/", out.string() + "/."}) {
        ASSERT_EQ(p.Build(p.Manifest(p.FullManifest("")), spelling).exitCode, 0) << spelling;
        EXPECT_EQ(Listing(out), (std::vector<std::string>{"_setup.spd", "notes.txt", "setup.exe", "user.spd"}));
    }
}

TEST(SpdpackBuild, ReproducibleForTheSameManifestInputsAndId) {
    Project p;
    fs::path m = p.Manifest(p.FullManifest());
    ASSERT_EQ(p.Build(m, p.dir / "a", {"-j", "1"}).exitCode, 0);
    ASSERT_EQ(p.Build(m, p.dir / "b", {"-j", "4"}).exitCode, 0);
    std::vector<std::string> files = Listing(p.dir / "a");
    ASSERT_EQ(files, Listing(p.dir / "b"));
    for (const std::string& f : files)
        if (fs::is_regular_file(p.dir / "a" / f)) EXPECT_EQ(ReadFile(p.dir / "a" / f), ReadFile(p.dir / "b" / f)) << f;

    // The id given on the command line replaces the manifest's.
    ASSERT_EQ(p.Build(m, p.dir / "c", {"--setup-id", "{00000000-0000-0000-0000-000000000001}"}).exitCode, 0);
    Bytes c = ReadFile(p.dir / "c/Disk 1/user.spd");
    EXPECT_EQ(c[112 + 15], 1);
    EXPECT_EQ(c[112], 0);
}

TEST(SpdpackBuild, ReadmeManifestExampleBuilds) {
    // The complete example of README.md, taken as it stands.
    Bytes readme = ReadFile(KALV_README);
    const std::string text(readme.begin(), readme.end());
    const std::size_t section = text.find("### Manifest");
    ASSERT_NE(section, std::string::npos);
    const std::size_t begin = text.find("```toml\n", section);
    ASSERT_NE(begin, std::string::npos);
    const std::size_t end = text.find("```", begin + 8);
    ASSERT_NE(end, std::string::npos);

    Project p;
    fs::path out = p.dir / "readme";
    RunResult r = p.Build(p.Manifest(text.substr(begin + 8, end - begin - 8)), out);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Listing(out),
              (std::vector<std::string>{"Disk 1", "Disk 1/_setup.spd", "Disk 1/setup.exe", "Disk 1/user.spd"}));
    RunResult inspect = RunSpdpack({"inspect", out.string()});
    EXPECT_EQ(inspect.exitCode, 0) << inspect.err;
    EXPECT_TRUE(Contains(inspect.out, "<Destination>\\Bilder\\Winter\\Winter.cfg")) << inspect.out;
}

TEST(SpdpackLog, ShowsEveryRecordAndVerifiesTheChecksum) {
    TempDir dir;
    auto log =
        spd::MakeUninstallLog("Kalvorin", {"C:\\WINDOWS\\SYSTEM\\Kalvorin.scr", "C:\\Programme\\Kalvorin\\Unscr.log"},
                              {"C:\\WINDOWS\\SYSTEM\\kalvgl.dll"}, {"C:\\Programme\\Kalvorin"},
                              {{0x80000002, "Software\\Brisvane Screensaver\\Kalvorin", ""},
                               {0x80000002, "Software\\Brisvane Screensaver", "Kalvorin"}});
    Bytes bytes = spd::EncodeUninstallLog(log).value;
    WriteFile(dir / "Unscr.log", bytes);
    RunResult r = RunSpdpack({"log", (dir / "Unscr.log").string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const char* part :
         {"installed   C:\\WINDOWS\\SYSTEM\\Kalvorin.scr", "installed   C:\\Programme\\Kalvorin\\Unscr.log",
          "kept shared C:\\WINDOWS\\SYSTEM\\kalvgl.dll", "C:\\Programme\\Kalvorin\n",
          "HKEY_LOCAL_MACHINE\\Software\\Brisvane Screensaver\\Kalvorin  (whole key)",
          "HKEY_LOCAL_MACHINE\\Software\\Brisvane Screensaver  value \"Kalvorin\"", "filesOffset     108",
          "version         16", "All checks passed."})
        EXPECT_TRUE(Contains(r.out, part)) << "expected \"" << part << "\" in:\n" << r.out;

    bytes[76] ^= 1;  // bodyChecksum
    WriteFile(dir / "Unscr.log", bytes);
    r = RunSpdpack({"log", (dir / "Unscr.log").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "checksum")) << r.err;

    WriteFile(dir / "short.log", Bytes(50, 0));
    EXPECT_EQ(RunSpdpack({"log", (dir / "short.log").string()}).exitCode, 1);
}

TEST(SpdpackExtract, GivesBackEveryFileOfThreeVolumes) {
    Project p;
    fs::path out = p.dir / "out";
    ASSERT_EQ(p.Build(p.Manifest(p.FullManifest()), out).exitCode, 0);
    RunResult r = RunSpdpack({"extract", out.string(), "-o", (p.dir / "ex").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "4 file(s) written to")) << r.out;
    EXPECT_EQ(Listing(p.dir / "ex"),
              (std::vector<std::string>{"Destination", "Destination/Bilder", "Destination/Bilder/Winter",
                                        "Destination/Bilder/Winter/winter.cfg", "Destination/Liesmich.txt", "System",
                                        "System/Kalvorin.scr", "System/kalvgl.dll"}));
    for (const auto& [extracted, source] : std::vector<std::pair<std::string, std::string>>{
             {"System/Kalvorin.scr", "payload/Kalvorin.scr"},
             {"System/kalvgl.dll", "payload/kalvgl.dll"},
             {"Destination/Bilder/Winter/winter.cfg", "payload/winter.cfg"},
             {"Destination/Liesmich.txt", "payload/readme.txt"}})
        EXPECT_EQ(ReadFile(p.dir / "ex" / extracted), ReadFile(p.dir / source)) << extracted;
}

TEST(SpdpackExtract, AChangedByteIsReportedWithItsFileAndVolume) {
    Project p;
    fs::path out = p.dir / "out";
    ASSERT_EQ(p.Build(p.Manifest(p.FullManifest()), out).exitCode, 0);
    const std::vector<fs::path> volumes = {out / "Disk 1/user.spd", out / "Disk 2/user.001", out / "Disk 3/user.002"};
    const Bytes joined = JoinByHand(volumes);
    const std::size_t disk3 = joined.size() - (fs::file_size(volumes[2]) - 88);  // where user.002's data begins

    // The content block of a file that runs into Disk 3, walked by hand.
    const char* const targets[] = {"<System>\\Kalvorin.scr", "<System>\\kalvgl.dll",
                                   "<Destination>\\Bilder\\Winter\\winter.cfg", "<Destination>\\Liesmich.txt"};
    std::size_t pos = Le32(joined, 40) + 16, changed = 0;
    std::string target;
    for (const char* t : targets) {
        pos += 16 + Le32(joined, pos + 8);  // the file record
        const std::size_t end = pos + 16 + Le32(joined, pos + 8);
        if (target.empty() && end > disk3 && end - std::max(pos + 16, disk3) > 1) {
            changed = std::max(pos + 16, disk3);
            target = t;
        }
        pos = end;
    }
    ASSERT_FALSE(target.empty());
    Bytes volume = ReadFile(volumes[2]);
    volume.at(88 + changed - disk3) ^= 0x55;
    WriteFile(volumes[2], volume);

    RunResult r = RunSpdpack({"extract", out.string(), "-o", (p.dir / "ex").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "\"" + target + "\", content in ")) << r.err;
    EXPECT_TRUE(Contains(r.err, "Disk 3/user.002")) << r.err;
    EXPECT_TRUE(Contains(r.err, "; not written")) << r.err;
    EXPECT_TRUE(Contains(r.out, "3 file(s) written")) << r.out;
    RunResult inspect = RunSpdpack({"inspect", out.string()});
    EXPECT_EQ(inspect.exitCode, 1);
    EXPECT_TRUE(Contains(inspect.err, "\"" + target + "\", content in ")) << inspect.err;
}

TEST(SpdpackExtract, NamesThatWouldLeaveTheFolderAreNotWritten) {
    spd::SetupDataSpec spec;
    spec.displayName = "Kalvorin";
    spec.folders = {{spd::FolderEntry::kTag, 5,
                     "..\\Drau\xDF"
                     "en"},
                    {spd::FolderEntry::kTag, 5, "Gut"}};
    for (const auto& [subfolder, name] : std::vector<std::pair<std::string, std::string>>{
             {"..\\..", "a.txt"}, {"", "..\\b.txt"}, {"", "/etc/c.txt"}, {"Gut", "CON"}, {"Gut", "gut.txt"}}) {
        spd::SetupFile f;
        f.entry.folderKind = 5;
        f.entry.subfolder = subfolder;
        f.entry.fileName = name;
        f.content = {'x'};
        spec.files.push_back(f);
    }
    auto image = spd::BuildSetupData(spec);
    ASSERT_TRUE(image);
    TempDir dir;
    WriteFile(dir / "medium/user.spd", image.value.joined);
    RunResult r = RunSpdpack({"extract", (dir / "medium").string(), "-o", (dir / "ex/inner").string()});
    EXPECT_EQ(r.exitCode, 1);
    for (const char* part :
         {"folder \"..\\Drau\xC3\x9F"
          "en\": subfolder \"..\\Drau\xC3\x9F"
          "en\" has a \"..\" component; not made",
          "file 1 \"<Destination>\\..\\..\\a.txt\": subfolder \"..\\..\" has a \"..\" component; not written",
          "file 2 \"<Destination>\\..\\b.txt\": name \"..\\b.txt\" holds a character",
          "file 3 \"<Destination>\\/etc/c.txt\": name",
          "file 4 \"<Destination>\\Gut\\CON\": name \"CON\" is a device name"})
        EXPECT_TRUE(Contains(r.err, part)) << "expected \"" << part << "\" in: " << r.err;
    EXPECT_EQ(Listing(dir.path()),
              (std::vector<std::string>{"ex", "ex/inner", "ex/inner/Destination", "ex/inner/Destination/Gut",
                                        "ex/inner/Destination/Gut/gut.txt", "medium", "medium/user.spd"}));
}
