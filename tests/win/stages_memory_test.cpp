// The joining, the joined-data check and the catalog check move the setup
// data through one 512 KiB buffer: the process's peak memory does not grow
// with the size of the data. Measured with a 20 MB and a 200 MB payload.
#include <windows.h>
#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>

#include "codec/VolumeHeader.h"
#include "setupdata/Catalog.h"
#include "setupdata/Volumes.h"
#include "stagetest/StageFixture.h"

using namespace kalvorin;
using namespace kalvorin::setup;

using namespace stagetest;

namespace {

struct Peaks {
    uint64_t workingSet = 0;
    uint64_t pagefile = 0;
};

Peaks ReadPeaks() {
    using Fn = BOOL(WINAPI*)(HANDLE, PPROCESS_MEMORY_COUNTERS, DWORD);
    static const Fn get = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    EXPECT_NE(get, nullptr);
    if (get == nullptr || !get(::GetCurrentProcess(), &counters, sizeof counters)) return Peaks{};
    return Peaks{counters.PeakWorkingSetSize, counters.PeakPagefileUsage};
}

// The bytes of a large payload, made piece by piece and the same every time.
class PayloadStream {
public:
    explicit PayloadStream(uint32_t seed) : x_(seed * 2654435761u + 7) {}
    void Next(uint8_t* out, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            x_ ^= x_ << 13;
            x_ ^= x_ >> 17;
            x_ ^= x_ << 5;
            out[i] = static_cast<uint8_t>(x_ >> 11);
        }
    }

private:
    uint32_t x_;
};

class MemoryTest : public StageTest {
protected:
    // Writes user.spd and user.001 whose joined data is a 192-byte header
    // and `payload` bytes: a catalog header at 192 whose checksum covers
    // the rest, then pattern bytes. Written through a 1 MiB buffer.
    void WriteLargeSetup(const std::string& folder, size_t payload, SetupWork& work) {
        MakeFolders(folder);
        constexpr size_t kPiece = 1 << 20;
        Bytes piece(kPiece);
        const size_t rest = payload - 16;

        // First pass: the checksum of everything after the catalog header.
        uint32_t catalogChecksum = spd::kAdler32Initial;
        {
            PayloadStream stream(payload);
            for (size_t done = 0; done < rest;) {
                const size_t n = std::min(kPiece, rest - done);
                stream.Next(piece.data(), n);
                catalogChecksum = spd::Adler32Update(catalogChecksum, std::span<const uint8_t>(piece.data(), n));
                done += n;
            }
        }
        const Bytes catalogHeader = RawBlockHeader(catalogChecksum, 0, 0);
        uint32_t dataChecksum = spd::Adler32Update(spd::kAdler32Initial, catalogHeader);
        {
            PayloadStream stream(payload);
            for (size_t done = 0; done < rest;) {
                const size_t n = std::min(kPiece, rest - done);
                stream.Next(piece.data(), n);
                dataChecksum = spd::Adler32Update(dataChecksum, std::span<const uint8_t>(piece.data(), n));
                done += n;
            }
        }

        spd::SetupHeader header;
        header.displayName = "Kalvorin";
        header.setupId = TestGuid(1);
        header.volumeCount = 2;
        header.fileCount = 1;
        header.catalogOffset = spd::SetupHeader::kSize;
        header.dataLength = static_cast<uint32_t>(spd::SetupHeader::kSize + payload);
        header.dataChecksum = dataChecksum;
        spd::VolumeHeader volume;
        volume.volumeNumber = 1;
        volume.displayName = header.displayName;
        volume.setupId = header.setupId;

        // user.spd: the header and the first half; user.001: the rest.
        const size_t firstPart = payload / 2;
        HANDLE first =
            ::CreateFileA((folder + "\\user.spd").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        HANDLE second =
            ::CreateFileA((folder + "\\user.001").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        ASSERT_NE(second, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        const Bytes headerBytes = header.Encode();
        const Bytes volumeBytes = volume.Encode();
        ::WriteFile(first, headerBytes.data(), static_cast<DWORD>(headerBytes.size()), &written, nullptr);
        ::WriteFile(second, volumeBytes.data(), static_cast<DWORD>(volumeBytes.size()), &written, nullptr);
        ::WriteFile(first, catalogHeader.data(), static_cast<DWORD>(catalogHeader.size()), &written, nullptr);
        PayloadStream stream(payload);
        size_t position = 16;
        while (position < payload) {
            const size_t n = std::min(kPiece, payload - position);
            stream.Next(piece.data(), n);
            for (size_t i = 0; i < n;) {
                HANDLE target = position + i < firstPart ? first : second;
                const size_t chunk = position + i < firstPart ? std::min(n - i, firstPart - (position + i)) : n - i;
                ASSERT_TRUE(::WriteFile(target, piece.data() + i, static_cast<DWORD>(chunk), &written, nullptr));
                i += chunk;
            }
            position += n;
        }
        ::CloseHandle(first);
        ::CloseHandle(second);

        work.header = header;
        work.tempFolder = folder + "\\";
        work.volumeCopies = {folder + "\\user.spd", folder + "\\user.001"};
    }

    // Joins, checks the joined data and the catalog; the peaks afterwards.
    Peaks JoinAndCheck(size_t payload) {
        const std::string folder = root + "\\data" + std::to_string(payload);
        SetupWork work(sync, context);
        WriteLargeSetup(folder, payload, work);
        EXPECT_EQ(Outcome([&] {
                      JoinAndOpen(work);
                      VerifyCatalog(work);
                  }),
                  "none");
        EXPECT_EQ(work.joined.GetLength(), spd::SetupHeader::kSize + payload);
        const Peaks peaks = ReadPeaks();
        work.Release();
        DeleteListedFiles(work.record.tempFiles());
        DeleteListedFiles(work.volumeCopies);
        ::RemoveDirectoryA(folder.c_str());
        return peaks;
    }
};

TEST_F(MemoryTest, PeakMemoryDoesNotGrowWithTheSizeOfTheSetupData) {
    const Peaks small = JoinAndCheck(20u << 20);
    ASSERT_GT(small.workingSet, 0u);
    ASSERT_GT(small.pagefile, 0u);
    const Peaks large = JoinAndCheck(200u << 20);
    // 180 MB more data may cost a few pages of bookkeeping, nothing like
    // the size of the data.
    EXPECT_LT(large.workingSet - small.workingSet, 4u << 20)
        << "peak working set " << small.workingSet << " -> " << large.workingSet;
    EXPECT_LT(large.pagefile - small.pagefile, 4u << 20)
        << "peak private bytes " << small.pagefile << " -> " << large.pagefile;

    // The measurement does see memory that is used: 64 MB touched raise the
    // peak by about that much.
    {
        Bytes touched(64u << 20, 1);
        const Peaks after = ReadPeaks();
        EXPECT_GT(after.workingSet, large.workingSet + (60u << 20)) << touched[12345];
        EXPECT_GT(after.pagefile, large.pagefile + (60u << 20));
        std::printf("peaks: %llu/%llu after 20 MB, %llu/%llu after 200 MB, %llu/%llu with 64 MB touched\n",
                    static_cast<unsigned long long>(small.workingSet), static_cast<unsigned long long>(small.pagefile),
                    static_cast<unsigned long long>(large.workingSet), static_cast<unsigned long long>(large.pagefile),
                    static_cast<unsigned long long>(after.workingSet), static_cast<unsigned long long>(after.pagefile));
    }
}

}  // namespace
