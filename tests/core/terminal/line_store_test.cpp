#include <gtest/gtest.h>

#include <string>

#include "core/terminal/line_store.h"

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

} // namespace
