// Streams made of pieces compressed apart: one zlib stream that uncompress()
// expands in one call, the same bytes whatever the number of threads, and a
// packer whose memory does not grow with the payload.
#include "TestSupport.h"

#include "codec/Checksum.h"
#include "codec/PieceCompression.h"
#include "codec/SetupData.h"
#include "codec/VolumeName.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kPiece = spd::kPieceSize;

// Text-like bytes: words from a small vocabulary, so that deflate finds matches.
Bytes Text(std::size_t n, std::uint32_t seed) {
    static const char* const kWords[] = {"Kalvorin ", "Winter ", "Bild ", "Schnee\r\n", "=", "1024 ", "Datei "};
    Bytes r = Pseudorandom(n, seed);
    Bytes out;
    for (std::size_t i = 0; out.size() < n; ++i)
        for (const char* c = kWords[r[i % n] % 7]; *c && out.size() < n; ++c)
            out.push_back(static_cast<std::uint8_t>(*c));
    return out;
}

// The same random run over and over: only a dictionary that reaches across a
// cut lets a later piece refer to the run instead of storing it again.
Bytes Repeated(std::size_t n, std::size_t run) {
    Bytes unit = Pseudorandom(run, 7);
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = unit[i % run];
    return out;
}

Bytes Uncompress(const Bytes& stream, std::size_t size, int& rc) {
    Bytes out(size + 1);
    uLongf length = static_cast<uLongf>(out.size());
    rc = uncompress(out.data(), &length, stream.data(), static_cast<uLong>(stream.size()));
    out.resize(length);
    return out;
}

// Runs spdpack (as RunSpdpack() does) and reports its exit code and peak resident memory (KiB).
int RunMeasured(const std::vector<std::string>& args, long& peakKiB) {
    const char* env = std::getenv("SPDPACK");
    std::vector<std::string> all = {env && *env ? env : SPDPACK_EXE};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    peakKiB = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(PieceCompression, OneStreamThatUncompressExpandsInOneCall) {
    struct Row {
        std::size_t size;
        int level;
        bool text;
    };
    const std::vector<Row> rows = {
        {0, 6, false},           {1, 9, true},           {kPiece - 1, 6, true},
        {kPiece, 1, false},      {kPiece + 1, 6, true},  {2 * kPiece + 4321, 9, false},
        {kPiece + 17, 0, false}, {2 * kPiece, 1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("size " + std::to_string(row.size) + ", level " + std::to_string(row.level));
        const Bytes input = row.text ? Text(row.size, 3) : Pseudorandom(row.size, 4);
        auto stream = spd::CompressInPieces(input, row.level);
        ASSERT_TRUE(stream);
        int rc = 0;
        EXPECT_EQ(Uncompress(stream.value, row.size, rc), input);
        EXPECT_EQ(rc, Z_OK);
        const Bytes& s = stream.value;
        ASSERT_GE(s.size(), 6u);
        EXPECT_EQ(
            (std::uint32_t(s[s.size() - 4]) << 24) | (s[s.size() - 3] << 16) | (s[s.size() - 2] << 8) | s[s.size() - 1],
            ZAdler(input));
        const Bytes empty = ZCompress({}, row.level);
        EXPECT_EQ(Bytes(s.begin(), s.begin() + 2), Bytes(empty.begin(), empty.begin() + 2))
            << "the header names the level as compress2() does";
        if (row.size <= kPiece) EXPECT_EQ(s, ZCompress(input, row.level)) << "one piece is what compress2() makes";
    }
}

TEST(PieceCompression, PiecesReachBackAcrossTheCut) {
    const Bytes input = Repeated(2 * kPiece + 5000, 30000);
    auto stream = spd::CompressInPieces(input, 6);
    ASSERT_TRUE(stream);
    // One stored copy of the 30000-byte run and references for the rest, as
    // in one pass (without the dictionary each piece would store it again).
    EXPECT_LE(stream.value.size(), ZCompress(input, 6).size() + 2 * 40);
    EXPECT_EQ(spd::PieceCount(input.size()), 3u);
    EXPECT_EQ(spd::PieceCount(0), 1u);
    EXPECT_EQ(spd::PieceCount(kPiece), 1u);
}

TEST(PieceCompression, AdlerOfTwoRunsFromTheirOwn) {
    const Bytes all = Text(200000, 5);
    for (std::size_t cut : {std::size_t(0), std::size_t(1), std::size_t(65521), std::size_t(131042), all.size()}) {
        const Bytes a(all.begin(), all.begin() + cut), b(all.begin() + cut, all.end());
        EXPECT_EQ(spd::Adler32Combine(ZAdler(a), ZAdler(b), b.size()), ZAdler(all)) << cut;
    }
}

TEST(PieceCompression, SpdpackGivesTheCodecsBytesWhateverTheThreads) {
    TempDir dir;
    WriteText(dir / "bin/setup.exe", "setup");
    WriteText(dir / "bin/UnScr.exe", "uninstall");
    Bytes large = Text(kPiece + kPiece / 2 + 777, 8);
    const Bytes noise = Pseudorandom(kPiece / 2, 9);
    std::copy(noise.begin(), noise.end(), large.begin() + kPiece);
    WriteFile(dir / "a.dat", large);
    WriteFile(dir / "b.txt", Text(5000, 10));
    constexpr std::uint64_t kVolume = 300000;  // the large file's content runs over three volumes
    WriteText(dir / "k.toml",
              "display_name = \"Kalvorin\"\nsetup_id = \"{3F2504E0-4F89-11D3-9A0C-0305E82C3301}\"\n"
              "uninstaller = \"bin/UnScr.exe\"\nsetup_program = \"bin/setup.exe\"\n"
              "[volumes]\nsize = " +
                  std::to_string(kVolume) +
                  "\n"
                  "[[files]]\nsource = \"b.txt\"\nbase = \"Windows\"\n"
                  "[[files]]\nsource = \"a.dat\"\nbase = \"System\"\nflags = [\"Screensaver\"]\n");
    for (const std::string& threads : {"1", "3"}) {
        RunResult r =
            RunSpdpack({"build", (dir / "k.toml").string(), "-o", (dir / ("out" + threads)).string(), "-j", threads});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    EXPECT_EQ(Listing(dir / "out1"), Listing(dir / "out3"));

    spd::SetupDataSpec spec;
    spec.displayName = "Kalvorin";
    spec.setupId = *spd::Guid::Parse("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}");
    spec.level = 6;
    spec.files.resize(2);
    spec.files[0].entry.folderKind = 1;
    spec.files[0].entry.fileName = "b.txt";
    spec.files[0].content = ReadFile(dir / "b.txt");
    spec.files[1].entry.flags = 0x04;
    spec.files[1].entry.folderKind = 2;
    spec.files[1].entry.fileName = "a.dat";
    spec.files[1].content = large;
    spec.volumeSize = kVolume;
    spec.firstVolumeSize = kVolume - fs::file_size(dir / "out1/setup.exe") - fs::file_size(dir / "out1/_setup.spd");
    auto image = spd::BuildSetupData(spec);
    ASSERT_TRUE(image);
    ASSERT_EQ(image.value.volumes.size(), 3u);
    for (std::size_t v = 0; v < image.value.volumes.size(); ++v) {
        const std::string name = v == 0 ? "user.spd" : spd::VolumeFileName(static_cast<unsigned>(v));
        EXPECT_EQ(ReadFile(dir / "out1" / name), image.value.volumes[v]) << name;
        EXPECT_EQ(ReadFile(dir / "out3" / name), image.value.volumes[v]) << name;
    }
    EXPECT_EQ(RunSpdpack({"inspect", (dir / "out3").string()}).exitCode, 0);
}

TEST(PieceCompression, SpdpackMemoryDoesNotGrowWithThePayload) {
    TempDir dir;
    WriteText(dir / "bin/setup.exe", "setup");
    WriteText(dir / "bin/UnScr.exe", "uninstall");
    WriteFile(dir / "big.dat", {});
    fs::resize_file(dir / "big.dat", 128ull << 20);  // zeros, quickly compressed at level 1
    WriteText(dir / "k.toml",
              "display_name = \"Kalvorin\"\nsetup_id = \"{3F2504E0-4F89-11D3-9A0C-0305E82C3301}\"\n"
              "uninstaller = \"bin/UnScr.exe\"\nsetup_program = \"bin/setup.exe\"\ncompression_level = 1\n"
              "[[files]]\nsource = \"big.dat\"\nbase = \"System\"\n");
    long peakKiB = 0;
    ASSERT_EQ(RunMeasured({"build", (dir / "k.toml").string(), "-o", (dir / "out").string(), "-j", "2"}, peakKiB), 0);
    EXPECT_LE(peakKiB, (64 + 2 * 8) * 1024) << "peak resident memory in KiB for a 128 MiB file";
    EXPECT_GT(peakKiB, 0);
}
