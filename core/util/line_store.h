// The lines of the message list and the link monitor, stored compactly as 8-bit text in fixed-size chunks:
// a million lines cost little more than their text, and an append never copies
// what is already stored (a growing single buffer would, stalling the window).
//
// Bounded: beyond max_lines the oldest chunks go whole (a device at 100 lines a
// second would otherwise fill half a gigabyte a day), and the first line then says
// how many earlier lines were dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

class LineStore {
public:
    static constexpr std::size_t kDefaultMaxLines = 2'000'000;
    static constexpr std::size_t kDefaultChunkBytes = std::size_t(1) << 20;

    explicit LineStore(std::size_t max_lines = kDefaultMaxLines, std::size_t chunk_bytes = kDefaultChunkBytes);

    // Appends without dropping: the owner drops (DropOldest) once it can say so.
    void append(std::string_view line);
    void clear();
    // Drops the oldest line alone, silently (no notice): for a list that keeps exactly
    // its last lines. A chunk goes once its last line went.
    void PopFront();
    // The lines as shown: the dropped-lines notice first once lines were dropped.
    std::size_t size() const { return refs_.size() + (notice_.empty() ? 0 : 1); }
    std::string_view line(std::size_t index) const;
    std::size_t text_bytes() const { return text_bytes_ + notice_.size(); }

    // How many of the kept lines DropOldest would drop now (whole chunks, oldest first).
    std::size_t LinesToDrop() const;
    // Drops them and updates the notice; returns their number.
    std::size_t DropOldest();
    // The two steps of DropOldest, for a model that tells its views of each: the
    // notice (row 0) is not touched by the first.
    std::size_t DropOldestLines();
    void UpdateNotice();
    // Finding a text: the rows (as size() counts them) that hold it, and which comes
    // next from row `from` forward or backward, wrapping at the ends.
    struct FindResult {
        std::size_t matches = 0; // rows holding the text
        std::size_t row = npos;  // the next such row; npos when there is none
        std::size_t rank = 0;    // its place among the matches, from 1
    };
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    // `from` npos starts before the first row (forward) or after the last (backward).
    // Case folding covers Latin-1 letters, as the lines are 8-bit text. An empty text
    // matches nothing. One pass over the stored text, chunk by chunk.
    FindResult Find(std::string_view text, bool match_case, std::size_t from, bool forward) const;

    // Lines dropped since the last clear.
    std::uint64_t dropped() const { return dropped_; }
    std::size_t max_lines() const { return max_lines_; }

private:
    struct Ref {
        std::uint32_t chunk; // counted from the first chunk ever, so dropping moves nothing
        std::uint32_t offset;
        std::uint32_t length;
    };
    struct Chunk {
        std::string text;
        std::size_t lines = 0;
    };

    std::size_t max_lines_;
    std::size_t chunk_bytes_;
    // A chunk also closes at this many lines, so empty lines still come in droppable blocks.
    std::size_t chunk_lines_;
    // Each chunk is reserved once and filled up to its capacity, never beyond,
    // so its characters never move.
    std::deque<Chunk> chunks_;
    std::uint32_t first_chunk_ = 0;
    std::deque<Ref> refs_;
    std::size_t text_bytes_ = 0;
    std::uint64_t dropped_ = 0;
    std::string notice_;
};
