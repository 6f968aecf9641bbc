// SPDX-License-Identifier: GPL-3.0-or-later
// Reads never pass the end of their bytes: a read that would reads 0 and
// leaves the reader failed. Chunks are walked as the writer writes them,
// padding and all, and one that claims more than its list holds is cut.
#include "ByteReader.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace morrow {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ByteReader, ReadsStopAtTheEnd) {
    const Bytes bytes{0x01, 0x02, 0x03, 0xFE, 0xFF, 0xFF, 0xFF};
    ByteReader in(bytes, 1);
    EXPECT_EQ(in.U16(), 0x0302);
    EXPECT_EQ(in.I32(), -2);
    EXPECT_TRUE(in.Ok());
    EXPECT_EQ(in.U16(), 0) << "past the end";
    EXPECT_FALSE(in.Ok());
    EXPECT_EQ(in.Left(), 0U);

    ByteReader skipped(bytes, 4);
    skipped.Skip(4);
    EXPECT_FALSE(skipped.Ok());
    EXPECT_FALSE(ByteReader(bytes, 8).Ok()) << "a start past the end";
    std::uint8_t two[2] = {};
    EXPECT_TRUE(in.ReadAt(5, two));
    EXPECT_FALSE(in.ReadAt(6, two));
    EXPECT_FALSE(in.ReadAt(UINT64_MAX, two));

    Bytes written{0, 0, 0};
    EXPECT_FALSE(SetLittle(written, 1, 0xAABB, 4));
    EXPECT_TRUE(SetLittle(written, 1, 0xAABB, 2));
    EXPECT_EQ(written, (Bytes{0, 0xBB, 0xAA}));
}

TEST(ByteReader, ChunksAreWalkedAsWritten) {
    Bytes riff;
    AppendRiffChunk(riff, "odd ", Bytes{1, 2, 3}); // padded to four bytes
    Bytes list;
    AppendTag(list, "INFO");
    AppendRiffChunk(riff, "LIST", list);
    AppendTag(riff, "long");
    AppendLittle(riff, 100, 4); // claims more than is left
    riff.resize(riff.size() + 10);

    using Seen = std::tuple<std::uint32_t, std::uint64_t, std::uint32_t, std::uint64_t, std::uint32_t>;
    std::vector<Seen> seen;
    const auto walk = [&](std::uint64_t end) {
        seen.clear();
        return ForEachRiffChunk(ByteReader(riff), 0, end, [&](const RiffChunk& chunk) {
            seen.emplace_back(chunk.id, chunk.body, chunk.length, chunk.held, chunk.form);
            return chunk.Whole();
        });
    };
    EXPECT_FALSE(walk(riff.size())) << "the cut chunk is refused";
    EXPECT_EQ(seen, (std::vector<Seen>{{FourCc("odd "), 8, 3, 3, 0x00030201},
                                       {FourCc("LIST"), 20, 4, 4, FourCc("INFO")},
                                       {FourCc("long"), 32, 100, 10, 0}}));
    EXPECT_TRUE(walk(31)) << "seven bytes left over are no chunk";
    EXPECT_EQ(seen.size(), 2U);
    EXPECT_FALSE(ReadRiffChunk(ByteReader(riff), 20, 27).has_value());
}

} // namespace
} // namespace morrow
