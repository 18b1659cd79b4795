// spdpack for authors: folders added for files, volume sizes that count
// Disk 1 and the limits of the format, files too large for the setup
// program, a stopped build, and input files of the wrong kind.
#include "TestSupport.h"

#include "spdpack/SourceFile.h"
#include "spdpack/VolumePlan.h"

#include "codec/SetupData.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <unistd.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Tiny programs, so that Disk 1 leaves user.spd nearly all of a disk.
class SmallProject {
public:
    SmallProject() {
        WriteText(dir / "bin/setup.exe", "S");
        WriteText(dir / "bin/UnScr.exe", "uninstall!");
        WriteFile(dir / "payload/Kalvorin.scr", Pseudorandom(3000, 1));
    }

    // The manifest with these extra top-level lines and entries.
    fs::path Manifest(const std::string& top, const std::string& entries) const {
        WriteText(dir / "k.toml",
                  "display_name = \"Kalvorin\"\nuninstaller = \"bin/UnScr.exe\"\n"
                  "setup_program = \"bin/setup.exe\"\ncompression_level = 0\n" +
                      top +
                      "[[files]]\nsource = \"payload/Kalvorin.scr\"\nbase = \"System\"\n"
                      "flags = [\"Screensaver\"]\n" +
                      entries);
        return dir / "k.toml";
    }

    RunResult Build(const fs::path& manifest, const std::string& out = "out") const {
        return RunSpdpack({"build", manifest.string(), "-o", (dir / out).string()});
    }

    // Bytes that setup.exe and _setup.spd take on Disk 1.
    std::uint64_t Disk1() const {
        EXPECT_EQ(Build(Manifest("", ""), "plain").exitCode, 0);
        return fs::file_size(dir / "plain/setup.exe") + fs::file_size(dir / "plain/_setup.spd");
    }

    TempDir dir;
};

void Sparse(const fs::path& path, std::uint64_t size) {
    WriteFile(path, {});
    fs::resize_file(path, size);
}

double Seconds(const std::chrono::steady_clock::time_point& since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

TEST(SpdpackAuthoring, FoldersOfSubfoldersAreAddedParentsFirst) {
    SmallProject p;
    RunResult r = p.Build(p.Manifest("[[folders]]\nbase = \"Destination\"\npath = \"Bilder/Winter\"\n",
                                     "[[files]]\nsource = \"payload/Kalvorin.scr\"\nbase = \"Destination\"\n"
                                     "subfolder = \"Bilder/Sommer/Juli\"\n"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(Contains(r.out, "2 file(s), 4 folder(s) (3 added)")) << r.out;
    EXPECT_TRUE(Contains(r.out,
                         "  folder Destination\\Bilder\\Winter\n"
                         "  folder Destination\\Bilder  (added: no [[folders]] entry lists it)\n"
                         "  folder Destination\\Bilder\\Sommer  (added: no [[folders]] entry lists it)\n"
                         "  folder Destination\\Bilder\\Sommer\\Juli  (added: no [[folders]] entry lists it)\n"))
        << r.out;
    RunResult inspect = RunSpdpack({"inspect", (p.dir / "out").string()});
    EXPECT_EQ(inspect.exitCode, 0) << inspect.err;
    EXPECT_TRUE(Contains(inspect.out,
                         "Folders (4, table checksum ok)\n"
                         "  Destination   \"Bilder\\Winter\"\n"
                         "  Destination   \"Bilder\"\n"
                         "  Destination   \"Bilder\\Sommer\"\n"
                         "  Destination   \"Bilder\\Sommer\\Juli\"\n"))
        << inspect.out;
}

TEST(SpdpackAuthoring, VolumeSizeCountsDisk1AndTheLimitsOfTheFormat) {
    SmallProject p;
    const std::uint64_t disk1 = p.Disk1();
    const std::uint64_t smallest = disk1 + spd::kMinVolumeSize;  // each further volume holds smallest - 88 bytes
    for (int i = 0; i < 140; ++i)
        Sparse(p.dir / ("Gross/" + std::to_string(i) + ".dat"), 520'000'000);  // 72.8 GB: too much even packed at best
    Sparse(p.dir / "Mittel/a.dat", 66'000 * (smallest - 88));                  // stored as it is (level 0)
    WriteFile(p.dir / "Klein/a.dat", Bytes(320 * (smallest - 88), 0));

    struct Case {
        std::uint64_t size;
        std::string source;
        int exitCode;
        std::vector<std::string> err;
    };
    const std::vector<Case> cases = {
        {smallest - 1,
         "",
         1,
         {"[volumes]: size: " + std::to_string(smallest - 1) + " bytes per disk, but Disk 1 holds setup.exe (1 bytes)",
          "the volume size must be at least " + std::to_string(smallest) + " bytes"}},
        {smallest, "Gross", 1, {"needs more than 65535 volumes", "a volume size of", "is enough"}},
        {smallest, "Mittel", 1, {"volumes, more than the 65535", "the smallest volume size that works is"}},
        {smallest, "Klein", 0, {"warning:", "volumes, more than 300 disks"}},
    };
    for (const Case& c : cases) {
        const std::string entry =
            c.source.empty() ? "" : "[[files]]\nsource = \"" + c.source + "\"\nbase = \"Destination\"\n";
        const auto start = std::chrono::steady_clock::now();
        RunResult r = p.Build(p.Manifest("[volumes]\nsize = " + std::to_string(c.size) + "\n", entry));
        EXPECT_EQ(r.exitCode, c.exitCode) << c.source << "\n" << r.err;
        for (const std::string& part : c.err)
            EXPECT_TRUE(Contains(r.err, part)) << "expected \"" << part << "\" in: " << r.err;
        if (c.source == "Gross") EXPECT_LT(Seconds(start), 5.0) << "the 72.8 GB were read";
    }
    EXPECT_GT(fs::file_size(p.dir / "out/user.320"), 88u);
    EXPECT_EQ(fs::file_size(p.dir / "out/user.spd"), smallest - disk1);
}

TEST(SpdpackAuthoring, SmallestVolumeSizeIsTheLeastThatFits) {
    for (const auto& [length, disk1] : std::vector<std::pair<std::uint64_t, std::uint64_t>>{
             {100'000'000, 0}, {100'000'000, 9'000'000}, {0xFFFFFFFFull, 1'500'000}, {1000, 0}}) {
        const std::uint64_t size = spdpack::SmallestVolumeSize(length, disk1);
        EXPECT_LE(spd::VolumeFilesFor(length, size, size - disk1), spdpack::kMaxVolumes) << length;
        if (size > disk1 + spd::kMinVolumeSize)
            EXPECT_GT(spd::VolumeFilesFor(length, size - 1, size - 1 - disk1), spdpack::kMaxVolumes) << length;
    }
}

TEST(SpdpackAuthoring, AFileTooLargeForTheSetupProgramIsRefusedUnread) {
    const std::uint64_t largest = spdpack::LargestSourceFile();
    EXPECT_LE(spdpack::HeldBytes(largest), spdpack::kMaxHeldBytes);
    EXPECT_GT(spdpack::HeldBytes(largest + 1), spdpack::kMaxHeldBytes);
    EXPECT_GT(largest, 500'000'000u);
    EXPECT_FALSE(spdpack::TooLargeForSetup(largest));
    ASSERT_TRUE(spdpack::TooLargeForSetup(largest + 1));

    SmallProject p;
    Sparse(p.dir / "payload/riesig.dat", 4ull << 30);
    for (const std::string& field :
         {std::string("[[files]]\nsource = \"payload/riesig.dat\"\nbase = \"Destination\"\n"), std::string("")}) {
        fs::path manifest = p.Manifest("", field);
        if (field.empty())  // the uninstaller counts as well
            WriteText(manifest,
                      "display_name = \"K\"\nuninstaller = \"payload/riesig.dat\"\nsetup_program = \"bin/setup.exe\"\n"
                      "[[files]]\nsource = \"payload/Kalvorin.scr\"\nbase = \"System\"\n");
        const auto start = std::chrono::steady_clock::now();
        RunResult r = p.Build(manifest);
        EXPECT_LT(Seconds(start), 1.0);
        EXPECT_EQ(r.exitCode, 1);
        for (const std::string& part : {(p.dir / "payload/riesig.dat").string() + "\" is 4294967296 bytes long",
                                        std::string("at most 1073741824 bytes (1 GiB) together"),
                                        "at most " + std::to_string(largest) + " bytes long"})
            EXPECT_TRUE(Contains(r.err, part)) << "expected \"" << part << "\" in: " << r.err;
    }
}

TEST(SpdpackAuthoring, AStoppedBuildLeavesNoStagingFolderAndStaleOnesAreSwept) {
    SmallProject p;
    fs::path manifest = p.Manifest("", "");
    ASSERT_EQ(p.Build(manifest).exitCode, 0);
    const Bytes before = ReadFile(p.dir / "out/user.spd");

    WriteText(p.dir / "payload/Kalvorin.scr", "changed");
    ASSERT_EQ(setenv("SPDPACK_TEST_STOP_WHILE_STAGING", "1", 1), 0);
    RunResult stopped = p.Build(manifest);
    unsetenv("SPDPACK_TEST_STOP_WHILE_STAGING");
    EXPECT_EQ(stopped.exitCode, 128 + 15) << stopped.err;
    EXPECT_EQ(ReadFile(p.dir / "out/user.spd"), before);
    for (const auto& e : fs::directory_iterator(p.dir.path()))
        EXPECT_FALSE(Contains(e.path().filename().string(), ".spdpack-")) << e.path();

    const std::string live = ".out.spdpack-" + std::to_string(getpid()) + "-abcdefgh";
    for (const std::string& name : {std::string(".out.spdpack-abcdefgh"), std::string(".out.spdpack-99999999-abcdefgh"),
                                    live, std::string(".other.spdpack-99999999-abcdefgh")})
        WriteText(p.dir / name / "user.spd", "left over");
    ASSERT_EQ(p.Build(manifest).exitCode, 0);
    std::vector<std::string> hidden;
    for (const auto& e : fs::directory_iterator(p.dir.path()))
        if (Contains(e.path().filename().string(), ".spdpack-")) hidden.push_back(e.path().filename().string());
    std::sort(hidden.begin(), hidden.end());
    EXPECT_EQ(hidden, (std::vector<std::string>{".other.spdpack-99999999-abcdefgh", live}));
}

TEST(SpdpackAuthoring, InputOfTheWrongKindIsNamed) {
    SmallProject p;
    ASSERT_EQ(p.Build(p.Manifest("[volumes]\nsize = 2000\nlayout = \"disk folders\"\n", "")).exitCode, 0);
    const fs::path out = p.dir / "out";
    ASSERT_TRUE(fs::exists(out / "Disk 2/user.001"));
    WriteFile(p.dir / "Unscr.log", {'t', 'r', 'n', 'e', 0, 0, 0, 0});
    WriteText(p.dir / "bad.toml",
              "display_name = \"K\"\nuninstaller = \"bin\"\nsetup_program = \"bin/setup.exe\"\n"
              "[[files]]\nsource = \"payload/Kalvorin.scr\"\nbase = \"System\"\n");
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::string o = out.string();
    const std::vector<Case> cases = {
        {{"inspect", o + "/Disk 2/user.001"},
         "user.001 is a further volume of setup data (user.001, user.002, ...), not user.spd"},
        {{"extract", o + "/Disk 2/user.001", "-o", o + "/x"}, "user.001 is a further volume of setup data"},
        {{"inspect", o + "/Disk 1/_setup.spd"}, "_setup.spd is the packed uninstaller (_setup.spd), not user.spd"},
        {{"inspect", (p.dir / "Unscr.log").string()},
         "Unscr.log is an uninstall log (Unscr.log), not user.spd; show it with spdpack log"},
        {{"inspect", (p.dir / "k.toml").string()}, "k.toml is no setup data"},
        {{"inspect", (p.dir / "bin").string()}, "bin is a folder without user.spd"},
        {{"log", o + "/Disk 1/user.spd"},
         "user.spd is setup data (user.spd), not an uninstall log; show it with spdpack inspect"},
        {{"log", o + "/Disk 1/_setup.spd"}, "_setup.spd is the packed uninstaller (_setup.spd), not an uninstall log"},
        {{"log", (p.dir / "k.toml").string()}, "k.toml is not an uninstall log (it does not start with \"trne\")"},
        {{"log", o}, "out is a folder, not an uninstall log"},
        {{"build", p.dir.path().string(), "-o", o}, ": is a folder, not a manifest file"},
        {{"build", (p.dir / "bad.toml").string(), "-o", o},
         "uninstaller: \"" + (p.dir / "bin").string() + "\" is a folder, not a file"},
    };
    for (const Case& c : cases) {
        RunResult r = RunSpdpack(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args[0] << " " << c.args[1];
        EXPECT_TRUE(Contains(r.err, c.err)) << "expected \"" << c.err << "\" in: " << r.err;
    }
}
