#include "app/line_store.h"

void LineStore::append(std::string_view line) {
    text_.append(line);
    ends_.push_back(text_.size());
}

void LineStore::clear() {
    text_.clear();
    text_.shrink_to_fit();
    ends_.clear();
    ends_.shrink_to_fit();
}

std::string_view LineStore::line(std::size_t index) const {
    if (index >= ends_.size()) return {};
    std::size_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(text_).substr(begin, ends_[index] - begin);
}
