// LineStore::Find: a search over each chunk's text at once rather than line by line,
// so two million lines take one pass over their bytes; a match found across the
// border of two lines is no match, and the search goes on inside the later line.
#include <algorithm>
#include <array>
#include <string>

#include "core/util/line_store.h"

namespace {

// Latin-1 case folding: A-Z and the letters 0xC0-0xDE (but 0xD7, the multiplication
// sign) to their lower case.
constexpr std::array<unsigned char, 256> make_fold() {
    std::array<unsigned char, 256> fold{};
    for (int c = 0; c < 256; ++c) {
        int lower = c;
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) lower = c + 0x20;
        fold[static_cast<std::size_t>(c)] = static_cast<unsigned char>(lower);
    }
    return fold;
}
constexpr std::array<unsigned char, 256> kFold = make_fold();

unsigned char folded(char c) {
    return kFold[static_cast<unsigned char>(c)];
}

// Where `needle` next stands in `text` from `at` on; npos when nowhere. With case
// folding a Horspool search over folded bytes (a 256-entry shift table).
class Searcher {
public:
    Searcher(std::string_view needle, bool match_case) : needle_(needle), match_case_(match_case) {
        folded_needle_.reserve(needle.size());
        for (char c : needle) folded_needle_.push_back(static_cast<char>(folded(c)));
        shift_.fill(needle.size());
        for (std::size_t i = 0; i + 1 < needle.size(); ++i)
            shift_[folded(needle[i])] = needle.size() - 1 - i;
    }

    std::size_t Next(std::string_view text, std::size_t at) const {
        if (match_case_) return text.find(needle_, at);
        const std::size_t n = folded_needle_.size();
        for (std::size_t pos = at; pos + n <= text.size(); pos += shift_[folded(text[pos + n - 1])]) {
            std::size_t j = n;
            while (j > 0 && folded(text[pos + j - 1]) == static_cast<unsigned char>(folded_needle_[j - 1])) --j;
            if (j == 0) return pos;
        }
        return std::string_view::npos;
    }

private:
    std::string_view needle_;
    bool match_case_;
    std::string folded_needle_;
    std::array<std::size_t, 256> shift_{};
};

// Keeps what a pass over the matching rows (in order) needs to answer Find.
struct Tally {
    std::size_t from;
    std::size_t matches = 0;
    std::size_t first = LineStore::npos, last = LineStore::npos;
    std::size_t after = LineStore::npos;  // the first match past `from`
    std::size_t before = LineStore::npos; // the last match short of `from`
    std::size_t up_to_from = 0;           // matches at or before `from`
    std::size_t short_of_from = 0;        // matches before `from`

    void Add(std::size_t row) {
        ++matches;
        if (first == LineStore::npos) first = row;
        last = row;
        const bool from_set = from != LineStore::npos;
        if (from_set && row <= from) ++up_to_from;
        if (from_set && row < from) {
            ++short_of_from;
            before = row;
        }
        if ((!from_set || row > from) && after == LineStore::npos) after = row;
    }
};

} // namespace

LineStore::FindResult LineStore::Find(std::string_view text, bool match_case, std::size_t from, bool forward) const {
    FindResult result;
    if (text.empty()) return result;
    Tally tally{from};
    const Searcher searcher(text, match_case);
    const std::size_t first_line_row = notice_.empty() ? 0 : 1;
    if (!notice_.empty() && searcher.Next(notice_, 0) != std::string_view::npos) tally.Add(0);

    std::size_t line = 0; // index into refs_ of the chunk's first line
    for (const Chunk& chunk : chunks_) {
        const std::string_view body(chunk.text);
        std::size_t at = 0;
        std::size_t index = line;         // the line holding `at`, or the next one
        const std::size_t end_line = line + chunk.lines;
        while (index < end_line) {
            const std::size_t found = searcher.Next(body, at);
            if (found == std::string_view::npos) break;
            // The line the match starts in: lines are stored back to back in order.
            while (index < end_line && refs_[index].offset + refs_[index].length <= found) ++index;
            if (index == end_line) break;
            const Ref& ref = refs_[index];
            // Text of lines already dropped from the chunk's front (PopFront) is no line.
            if (found < ref.offset) {
                at = ref.offset;
                continue;
            }
            if (found + text.size() <= ref.offset + ref.length) {
                tally.Add(first_line_row + index);
                at = ref.offset + ref.length;
                ++index;
            } else {
                at = found + 1;
            }
        }
        line = end_line;
    }

    result.matches = tally.matches;
    if (tally.matches == 0) return result;
    if (forward) {
        const bool wrapped = tally.after == npos;
        result.row = wrapped ? tally.first : tally.after;
        result.rank = wrapped ? 1 : tally.up_to_from + 1;
    } else {
        const bool wrapped = tally.before == npos || from == npos;
        result.row = wrapped ? tally.last : tally.before;
        result.rank = wrapped ? tally.matches : tally.short_of_from;
    }
    return result;
}
