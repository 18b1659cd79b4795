// The setup program's block decoder against zlib's uncompress(): the same
// outcome for every stream, and the Adler-32 of the bytes produced.
#include "TestSupport.h"

#include "codec/BlockDecoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace testing_support;

TEST(BlockDecoder, SameOutcomeAsUncompressForEveryStream) {
    const Bytes content = Pseudorandom(5000, 21);
    const Bytes stream = ZCompress(content, 6);
    const Bytes empty = ZCompress({}, 6);
    auto with = [](Bytes b, std::size_t at, std::uint8_t value) {
        b.at(at) = value;
        return b;
    };
    struct Row {
        const char* name;
        Bytes stored;
        std::size_t room;
    };
    const std::vector<Row> rows = {
        {"whole", stream, content.size()},
        {"more room than needed", stream, content.size() + 100},
        {"one byte too little room", stream, content.size() - 1},
        {"bytes after the stream",
         [&] {
             Bytes b = stream;
             b.insert(b.end(), 7, 0xAB);
             return b;
         }(),
         content.size()},
        {"cut short", Bytes(stream.begin(), stream.end() - 5), content.size()},
        {"trailer changed", with(stream, stream.size() - 1, stream.back() ^ 1), content.size()},
        {"data changed", with(stream, 40, stream[40] ^ 0x10), content.size()},
        {"header of a preset dictionary", with(with(stream, 1, 0xBB), 0, 0x78), content.size()},
        {"empty stream, no room", empty, 0},
        {"data, no room", stream, 0},
        {"nothing", {}, 100},
        {"not zlib", Pseudorandom(300, 5), 1000},
    };
    spd::BlockDecoder decoder;  // one decoder for all rows, as the setup program keeps it
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes expected(row.room);
        uLongf length = static_cast<uLongf>(row.room);
        Bytef spare = 0;
        const int rc =
            uncompress(row.room ? expected.data() : &spare, &length, row.stored.empty() ? &spare : row.stored.data(),
                       static_cast<uLong>(row.stored.size()));
        Bytes out(row.room);
        const auto r = decoder.Expand(row.stored, out);
        ASSERT_EQ(r.status == spd::Status::Ok, rc == Z_OK) << "uncompress gave " << rc;
        if (rc != Z_OK) {
            EXPECT_EQ(r.status, spd::Status::DecompressError);
            continue;
        }
        EXPECT_EQ(r.produced, length);
        expected.resize(length);
        out.resize(r.produced);
        EXPECT_EQ(out, expected);
        EXPECT_EQ(r.adler, ZAdler(expected));
    }
}
