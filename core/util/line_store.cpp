#include "core/util/line_store.h"

#include <algorithm>

namespace {
// Dropping takes at most about this share of the list at once.
constexpr std::size_t kChunksPerList = 32;
} // namespace

LineStore::LineStore(std::size_t max_lines, std::size_t chunk_bytes)
    : max_lines_(std::max<std::size_t>(max_lines, 1)),
      chunk_bytes_(std::max<std::size_t>(chunk_bytes, 1)),
      chunk_lines_(std::max<std::size_t>(max_lines_ / kChunksPerList, 1)) {}

void LineStore::append(std::string_view line) {
    if (chunks_.empty() || chunks_.back().text.size() + line.size() > chunks_.back().text.capacity() ||
        chunks_.back().lines >= chunk_lines_) {
        chunks_.emplace_back();
        chunks_.back().text.reserve(std::max(chunk_bytes_, line.size()));
    }
    Chunk& chunk = chunks_.back();
    refs_.push_back({static_cast<std::uint32_t>(first_chunk_ + chunks_.size() - 1),
                     static_cast<std::uint32_t>(chunk.text.size()), static_cast<std::uint32_t>(line.size())});
    chunk.text.append(line);
    ++chunk.lines;
    text_bytes_ += line.size();
}

void LineStore::clear() {
    chunks_.clear();
    chunks_.shrink_to_fit();
    refs_.clear();
    refs_.shrink_to_fit();
    first_chunk_ = 0;
    text_bytes_ = 0;
    dropped_ = 0;
    notice_.clear();
}

void LineStore::PopFront() {
    if (refs_.empty()) return;
    text_bytes_ -= refs_.front().length;
    refs_.pop_front();
    if (--chunks_.front().lines == 0) {
        chunks_.pop_front();
        ++first_chunk_;
    }
}

std::string_view LineStore::line(std::size_t index) const {
    if (!notice_.empty()) {
        if (index == 0) return notice_;
        --index;
    }
    if (index >= refs_.size()) return {};
    const Ref& ref = refs_[index];
    return std::string_view(chunks_[ref.chunk - first_chunk_].text).substr(ref.offset, ref.length);
}

std::size_t LineStore::LinesToDrop() const {
    if (refs_.size() <= max_lines_) return 0;
    const std::size_t excess = refs_.size() - max_lines_;
    std::size_t lines = 0;
    for (const Chunk& chunk : chunks_) {
        if (lines >= excess) break;
        lines += chunk.lines;
    }
    return lines;
}

std::size_t LineStore::DropOldest() {
    const std::size_t lines = DropOldestLines();
    UpdateNotice();
    return lines;
}

std::size_t LineStore::DropOldestLines() {
    const std::size_t lines = LinesToDrop();
    std::size_t left = lines;
    while (left > 0) {
        const Chunk& chunk = chunks_.front();
        for (std::size_t i = 0; i < chunk.lines; ++i) {
            text_bytes_ -= refs_.front().length;
            refs_.pop_front();
        }
        left -= chunk.lines;
        chunks_.pop_front();
        ++first_chunk_;
    }
    dropped_ += lines;
    return lines;
}

void LineStore::UpdateNotice() {
    if (dropped_ == 0) return;
    notice_ = "---* " + std::to_string(dropped_) + " earlier lines dropped: the list keeps at most " +
              std::to_string(max_lines_) + " lines *---";
}
