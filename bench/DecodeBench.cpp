// The block decode path of the setup program against a bare zlib
// uncompress() of the same blocks (Google Benchmark).
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
#include <vector>

namespace {

struct Block {
    std::vector<std::uint8_t> stored;
    std::size_t expandedSize = 0;
    std::uint32_t checksum = 0;
};

const std::vector<Block>& Blocks()
{
    static const std::vector<Block> blocks = [] {
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
            if (f.size > (4u << 20) || taken >= 200)
                continue;
            add(bench::FileBytes(f));
            ++taken;
        }
        add(bench::KindBytes(bench::Kind::Mixed, 8u << 20, 7));
        return out;
    }();
    return blocks;
}

std::size_t Largest()
{
    std::size_t n = 0;
    for (const Block& b : Blocks())
        n = std::max(n, b.expandedSize);
    return n;
}

std::int64_t ExpandedBytes()
{
    std::int64_t n = 0;
    for (const Block& b : Blocks())
        n += static_cast<std::int64_t>(b.expandedSize);
    return n;
}

void BareUncompress(benchmark::State& state)
{
    std::vector<std::uint8_t> out(Largest());
    for (auto _ : state) {
        for (const Block& b : Blocks()) {
            uLongf length = static_cast<uLongf>(b.expandedSize);
            if (uncompress(out.data(), &length, b.stored.data(), static_cast<uLong>(b.stored.size())) != Z_OK) {
                state.SkipWithError("uncompress failed");
                return;
            }
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * ExpandedBytes());
}

void BlockDecode(benchmark::State& state)
{
    std::vector<std::uint8_t> out(Largest());
    spd::BlockDecoder decoder;
    for (auto _ : state) {
        for (const Block& b : Blocks()) {
            const auto r = decoder.Expand(b.stored, std::span<std::uint8_t>(out.data(), b.expandedSize));
            if (r.status != spd::Status::Ok || r.adler != b.checksum || r.produced != b.expandedSize) {
                state.SkipWithError("block decode failed");
                return;
            }
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * ExpandedBytes());
}

BENCHMARK(BareUncompress)->Unit(benchmark::kMillisecond);
BENCHMARK(BlockDecode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
