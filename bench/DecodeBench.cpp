// The block decode path of the setup program against a bare zlib
// uncompress() of the same blocks.
//
//   bench_decode [Google Benchmark flags]    both, timed
//   bench_decode --save FILE                 writes the blocks to FILE
//   bench_decode --pass bare|block FILE      one pass over the blocks of FILE,
//                                            for counting instructions:
//     valgrind --tool=callgrind --toggle-collect='*Pass*' bench_decode --pass block FILE
//
// The blocks are files of the benchmark payload, compressed as spdpack
// compresses them: the small and middle-sized ones of every kind and 8 MiB of
// the largest. "BlockDecode" expands each block as the setup program does
// (spd::BlockDecoder into a buffer kept between blocks, checksum compared);
// "BareUncompress" calls uncompress() into a buffer of the same size and does
// nothing else.
#include "Payload.h"

#include "codec/BlockDecoder.h"
#include "codec/Checksum.h"
#include "codec/PieceCompression.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Block {
    std::vector<std::uint8_t> stored;
    std::size_t expandedSize = 0;
    std::uint32_t checksum = 0;
};

std::vector<Block> MakeBlocks() {
    std::vector<Block> out;
    auto add = [&](const std::vector<std::uint8_t>& content) {
        Block b;
        b.stored = spd::CompressInPieces(content, 6).value;
        b.expandedSize = content.size();
        b.checksum = spd::Adler32(content);
        out.push_back(std::move(b));
    };
    std::size_t taken = 0;
    for (const bench::PayloadFile& f : bench::PayloadFiles()) {
        if (f.size > (4u << 20) || taken >= 200) continue;
        add(bench::FileBytes(f));
        ++taken;
    }
    add(bench::KindBytes(bench::Kind::Mixed, 8u << 20, 7));
    return out;
}

std::vector<Block>& Blocks() {
    static std::vector<Block> blocks;
    if (blocks.empty()) blocks = MakeBlocks();
    return blocks;
}

void Put32(std::FILE* f, std::uint32_t v) {
    std::fwrite(&v, 4, 1, f);  // this machine's own order: the file is read back here only
}

std::uint32_t Get32(std::FILE* f) {
    std::uint32_t v = 0;
    if (std::fread(&v, 4, 1, f) != 1) throw std::runtime_error("short block file");
    return v;
}

void Save(const char* path) {
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) throw std::runtime_error(std::string("cannot write ") + path);
    Put32(f, static_cast<std::uint32_t>(Blocks().size()));
    for (const Block& b : Blocks()) {
        Put32(f, static_cast<std::uint32_t>(b.expandedSize));
        Put32(f, b.checksum);
        Put32(f, static_cast<std::uint32_t>(b.stored.size()));
        std::fwrite(b.stored.data(), 1, b.stored.size(), f);
    }
    std::fclose(f);
}

void Load(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) throw std::runtime_error(std::string("cannot read ") + path);
    std::vector<Block>& blocks = Blocks();
    blocks.resize(Get32(f));
    for (Block& b : blocks) {
        b.expandedSize = Get32(f);
        b.checksum = Get32(f);
        b.stored.resize(Get32(f));
        if (std::fread(b.stored.data(), 1, b.stored.size(), f) != b.stored.size())
            throw std::runtime_error("short block file");
    }
    std::fclose(f);
}

std::size_t Largest() {
    std::size_t n = 0;
    for (const Block& b : Blocks()) n = std::max(n, b.expandedSize);
    return n;
}

std::int64_t ExpandedBytes() {
    std::int64_t n = 0;
    for (const Block& b : Blocks()) n += static_cast<std::int64_t>(b.expandedSize);
    return n;
}

// One pass over every block; false when one does not expand as it should.
[[gnu::noinline]] bool BarePass(std::vector<std::uint8_t>& out) {
    for (const Block& b : Blocks()) {
        uLongf length = static_cast<uLongf>(b.expandedSize);
        if (uncompress(out.data(), &length, b.stored.data(), static_cast<uLong>(b.stored.size())) != Z_OK) return false;
        benchmark::DoNotOptimize(out.data());
    }
    return true;
}

[[gnu::noinline]] bool DecodePass(spd::BlockDecoder& decoder, std::vector<std::uint8_t>& out) {
    for (const Block& b : Blocks()) {
        const auto r = decoder.Expand(b.stored, std::span<std::uint8_t>(out.data(), b.expandedSize));
        if (r.status != spd::Status::Ok || r.adler != b.checksum || r.produced != b.expandedSize) return false;
        benchmark::DoNotOptimize(out.data());
    }
    return true;
}

void BareUncompress(benchmark::State& state) {
    std::vector<std::uint8_t> out(Largest());
    for (auto _ : state) {
        if (!BarePass(out)) {
            state.SkipWithError("uncompress failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * ExpandedBytes());
}

void BlockDecode(benchmark::State& state) {
    std::vector<std::uint8_t> out(Largest());
    spd::BlockDecoder decoder;
    for (auto _ : state) {
        if (!DecodePass(decoder, out)) {
            state.SkipWithError("block decode failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * ExpandedBytes());
}

BENCHMARK(BareUncompress)->Unit(benchmark::kMillisecond);
BENCHMARK(BlockDecode)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string mode = argc > 1 ? argv[1] : "";
        if (mode == "--save" && argc == 3) {
            Save(argv[2]);
            return 0;
        }
        if (mode == "--pass" && argc == 4) {
            Load(argv[3]);
            std::vector<std::uint8_t> out(Largest());
            spd::BlockDecoder decoder;
            const bool ok = std::string(argv[2]) == "bare" ? BarePass(out) : DecodePass(decoder, out);
            return ok ? 0 : 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_decode: %s\n", e.what());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
