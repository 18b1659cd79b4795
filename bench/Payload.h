// The benchmark payload: a fixed-seed mix of text-like, binary and
// incompressible files in nested folders, the same bytes on every machine.
//
//   auto files = bench::PayloadFiles();          // names and sizes, in order
//   auto bytes = bench::FileBytes(files[i]);     // the bytes of one file
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

enum class Kind { Text, Binary, Random, Mixed };

struct PayloadFile {
    std::string path;  // relative, with '/' between folders
    std::uint64_t size = 0;
    Kind kind = Kind::Text;
    std::uint64_t seed = 0;
};

constexpr std::uint64_t kPayloadBytes = 256ull << 20;
constexpr std::size_t kPayloadFiles = 2000;
constexpr std::uint64_t kLargestFile = 64ull << 20;

// Every file of the payload: kPayloadFiles files of kPayloadBytes together,
// one of them kLargestFile bytes long.
std::vector<PayloadFile> PayloadFiles();

// The content of one file.
std::vector<std::uint8_t> FileBytes(const PayloadFile& file);

// size bytes of one kind from seed (for the decode benchmark's blocks).
std::vector<std::uint8_t> KindBytes(Kind kind, std::uint64_t size, std::uint64_t seed);

const char* KindName(Kind kind);

}  // namespace bench
