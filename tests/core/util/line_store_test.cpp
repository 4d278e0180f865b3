#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/util/line_store.h"

namespace {

TEST(LineStore, KeepsEveryLineAcrossChunkBoundaries) {
    LineStore store;
    // Lines of varying length, enough to fill several chunks, plus one larger than a chunk.
    std::vector<std::string> lines;
    for (int i = 0; i < 60000; ++i) lines.push_back(std::string(static_cast<std::size_t>(i % 97), char('a' + i % 26)));
    lines.insert(lines.begin() + 30000, std::string(3 << 20, 'x'));
    lines.push_back("");
    for (const std::string& line : lines) store.append(line);
    ASSERT_EQ(store.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) ASSERT_EQ(store.line(i), lines[i]) << i;
    std::size_t bytes = 0;
    for (const std::string& line : lines) bytes += line.size();
    EXPECT_EQ(store.text_bytes(), bytes);
    EXPECT_EQ(store.line(lines.size()), "");
}

TEST(LineStore, EarlierLinesStayPutWhileAppending) {
    LineStore store;
    store.append("first line");
    std::string_view first = store.line(0);
    for (int i = 0; i < 200000; ++i) store.append("another line of some length");
    EXPECT_EQ(first.data(), store.line(0).data());
    EXPECT_EQ(first, "first line");
}

TEST(LineStore, BoundedDropsTheOldestWholeChunksAndSaysHowMany) {
    for (const bool empty : {false, true}) { // empty lines never fill a chunk's bytes
        SCOPED_TRACE(empty ? "empty lines" : "short lines");
        LineStore store(100, 64);
        constexpr int kLines = 1000;
        auto text = [&](int i) { return empty ? std::string() : "line " + std::to_string(i); };
        for (int i = 0; i < kLines; ++i) {
            store.append(text(i));
            store.DropOldest();
            ASSERT_LE(store.size(), 101u);
        }
        const std::size_t kept = store.size() - 1;
        EXPECT_GT(kept, 50u);
        EXPECT_EQ(store.dropped() + kept, std::uint64_t(kLines));
        EXPECT_EQ(store.line(0), "---* " + std::to_string(store.dropped()) +
                                     " earlier lines dropped: the list keeps at most 100 lines *---");
        for (std::size_t row = 1; row <= kept; ++row)
            ASSERT_EQ(store.line(row), text(static_cast<int>(store.dropped() + row - 1))) << row;
    }
}

TEST(LineStore, ClearEmptiesIt) {
    LineStore store;
    store.append("a");
    store.clear();
    EXPECT_EQ(store.size(), 0u);
    EXPECT_EQ(store.dropped(), 0u);
    EXPECT_EQ(store.text_bytes(), 0u);
    store.append("b");
    EXPECT_EQ(store.line(0), "b");
}

// Find lands on each matching row in turn, forward and back, wrapping at the ends; a
// text that only stands across two lines, or across two chunks, is no match.
TEST(LineStore, FindLandsOnEachMatchInTurn) {
    LineStore store(1000, 16); // chunks of 16 bytes: matches near and across their borders
    for (const char* line : {"alpha one", "al", "pha", "xx ALPHA", "beta", "alphalpha", "", "end alpha"})
        store.append(line);
    for (const auto& [match_case, forward, rows] :
         {std::tuple{false, true, std::vector<std::size_t>{0, 3, 5, 7, 0}},
          std::tuple{false, false, std::vector<std::size_t>{7, 5, 3, 0, 7}},
          std::tuple{true, true, std::vector<std::size_t>{0, 5, 7, 0}}}) {
        SCOPED_TRACE(std::string(match_case ? "case " : "any case ") + (forward ? "forward" : "backward"));
        const std::size_t matches = rows.size() - 1;
        std::size_t from = LineStore::npos;
        for (std::size_t k = 0; k < rows.size(); ++k) {
            const LineStore::FindResult found = store.Find("alpha", match_case, from, forward);
            EXPECT_EQ(found.matches, matches);
            ASSERT_EQ(found.row, rows[k]);
            EXPECT_EQ(found.rank, forward ? k % matches + 1 : matches - k % matches);
            from = found.row;
        }
    }
    EXPECT_EQ(store.Find("alpha", false, 3, true).rank, 3u);
    EXPECT_EQ(store.Find("alpha", false, 3, false).rank, 1u);
    EXPECT_EQ(store.Find("lpha", false, LineStore::npos, true).matches, 4u); // a line counts once
    EXPECT_EQ(store.Find("missing", false, LineStore::npos, true).row, LineStore::npos);
    EXPECT_EQ(store.Find("", false, LineStore::npos, true).matches, 0u);
}

// PopFront drops exactly the oldest line; its text, still in its chunk, is found no more.
TEST(LineStore, PopFrontDropsOneLineAndFindSkipsIt) {
    LineStore store(1000, 64);
    for (const char* line : {"match 0", "match 1", "other", "match 3"}) store.append(line);
    store.PopFront();
    store.PopFront();
    ASSERT_EQ(store.size(), 2u);
    EXPECT_EQ(store.line(0), "other");
    EXPECT_EQ(store.text_bytes(), 12u);
    EXPECT_EQ(store.dropped(), 0u); // silent: no notice row
    const LineStore::FindResult found = store.Find("match", true, LineStore::npos, true);
    EXPECT_EQ(found.matches, 1u);
    EXPECT_EQ(found.row, 1u);
}

} // namespace
