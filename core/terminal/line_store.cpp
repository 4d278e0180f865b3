#include "core/terminal/line_store.h"

#include <algorithm>

namespace {
constexpr std::size_t kChunkBytes = 1 << 20;
} // namespace

void LineStore::append(std::string_view line) {
    if (chunks_.empty() || chunks_.back().size() + line.size() > chunks_.back().capacity()) {
        chunks_.emplace_back();
        chunks_.back().reserve(std::max(kChunkBytes, line.size()));
    }
    std::string& chunk = chunks_.back();
    refs_.push_back({static_cast<std::uint32_t>(chunks_.size() - 1), static_cast<std::uint32_t>(chunk.size()),
                     static_cast<std::uint32_t>(line.size())});
    chunk.append(line);
    text_bytes_ += line.size();
}

void LineStore::clear() {
    chunks_.clear();
    chunks_.shrink_to_fit();
    refs_.clear();
    refs_.shrink_to_fit();
    text_bytes_ = 0;
}

std::string_view LineStore::line(std::size_t index) const {
    if (index >= refs_.size()) return {};
    const Ref& ref = refs_[index];
    return std::string_view(chunks_[ref.chunk]).substr(ref.offset, ref.length);
}
