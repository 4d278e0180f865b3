// The message list's lines, stored compactly as 8-bit text: one character buffer
// and an offset per line, so a million lines cost little more than their text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class LineStore {
public:
    void append(std::string_view line);
    void clear();
    std::size_t size() const { return ends_.size(); }
    std::string_view line(std::size_t index) const;
    std::size_t text_bytes() const { return text_.size(); }

private:
    std::string text_;
    std::vector<std::uint64_t> ends_; // end offset of each line in text_
};
