// bench_payload FOLDER: writes the benchmark payload below FOLDER (removing
// nothing else) and prints what it wrote.
#include "Payload.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_payload FOLDER\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path root = argv[1];
    std::map<bench::Kind, std::uint64_t> bytes;
    std::uint64_t total = 0;
    const auto files = bench::PayloadFiles();
    for (const bench::PayloadFile& f : files) {
        const fs::path path = root / f.path;
        fs::create_directories(path.parent_path());
        const auto content = bench::FileBytes(f);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        bytes[f.kind] += f.size;
        total += f.size;
    }
    std::printf("%zu files, %llu bytes:", files.size(), static_cast<unsigned long long>(total));
    for (const auto& [kind, n] : bytes)
        std::printf(" %s %llu", bench::KindName(kind), static_cast<unsigned long long>(n));
    std::printf("\n");
    return 0;
}
