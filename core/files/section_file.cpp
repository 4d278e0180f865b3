#include "core/files/section_file.h"

#include <new>

#include "core/files/file_io.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kHeaderMark = "\\\\";

bool text_fits(const std::string& text) {
    return text.size() <= kSectionFileMaxText;
}

bool within_limits(const SectionFile& file) {
    if (file.header_count < 0 || file.header_count > kSectionFileMaxHeaders ||
        static_cast<std::size_t>(file.header_count) > file.headers.size())
        return false;
    if (file.section_count < 0 || file.section_count > kSectionFileMaxSections ||
        static_cast<std::size_t>(file.section_count) > file.sections.size())
        return false;
    for (std::int32_t h = 0; h < file.header_count; ++h)
        if (!text_fits(file.headers[static_cast<std::size_t>(h)])) return false;
    for (std::int32_t s = 0; s < file.section_count; ++s) {
        const Section& section = file.sections[static_cast<std::size_t>(s)];
        if (section.item_count < 0 || section.item_count > kSectionFileMaxItems ||
            static_cast<std::size_t>(section.item_count) > section.items.size())
            return false;
        if (!text_fits(section.name) || !text_fits(section.value)) return false;
        for (std::int32_t i = 0; i < section.item_count; ++i)
            if (!text_fits(section.items[static_cast<std::size_t>(i)])) return false;
    }
    return true;
}

// What the reader would take for structure inside each kind of text, and how a
// refusal names it. A line break is LF, with or without the CR before it.
struct Structure {
    std::string_view text;
    std::string_view shown;
};
constexpr Structure kBackslashes{"\\\\", "two backslashes"};
constexpr Structure kLineBreak{"\n", "a line break"};
constexpr Structure kOpen{"[", "\"[\""};
constexpr Structure kClose{"]", "\"]\""};
constexpr Structure kEquals{"=", "\"=\""};
constexpr Structure kInHeader[] = {kBackslashes, kLineBreak};
constexpr Structure kInName[] = {kBackslashes, kLineBreak, kOpen, kClose, kEquals};
constexpr Structure kInValue[] = {kBackslashes, kLineBreak};
constexpr Structure kInItem[] = {kBackslashes, kLineBreak, kOpen};

// How the first structure found in `text` is shown; empty when there is none.
template <std::size_t N>
std::string_view unreadable(const std::string& text, const Structure (&structures)[N]) {
    for (const Structure& s : structures)
        if (text.find(s.text) != std::string::npos) return s.shown;
    return {};
}

std::string holds(const std::string& what, std::string_view structure) {
    return what + " holds " + std::string(structure);
}

enum class Mode { None, Header, Name, AfterName, Value, Items };

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

// One pass over the text. Stored texts come from one buffer that storing empties; the
// buffer and every list stop growing at their limits while the walk goes on.
class Parser {
public:
    explicit Parser(SectionFile& file) : file_(file) {}

    void run(std::string_view text) {
        std::size_t i = 0;
        while (i < text.size()) {
            const char c = text[i];
            const char next = i + 1 < text.size() ? text[i + 1] : '\0';
            const bool has_next = i + 1 < text.size();
            if (has_next && c == '\\' && next == '\\') {
                double_backslash();
                i += 2;
            } else if (has_next && c == '\r' && next == '\n') {
                line_end();
                i += 2;
            } else if (c == '\n') {
                // Hand-edited files often end their lines with LF alone.
                line_end();
                i += 1;
            } else {
                character(c);
                i += 1;
            }
        }
    }

    // False when a section line held text after its "]" other than blanks and "= value".
    bool well_formed() const { return well_formed_; }

private:
    void double_backslash() {
        switch (mode_) {
        case Mode::Header:
            add('\\');
            return;
        case Mode::Name:
            new_section();
            break;
        case Mode::AfterName:
            well_formed_ = false;
            buffer_.clear();
            break;
        case Mode::Value:
            store_value();
            break;
        case Mode::Items:
            // Stored in the next item slot without raising item_count: no reader ever sees
            // it and the section takes no more items, so it is left out.
            buffer_.clear();
            break;
        case Mode::None:
            mode_ = Mode::Header;
            return;
        }
        mode_ = Mode::None;
    }

    void line_end() {
        switch (mode_) {
        case Mode::Header:
            if (file_.header_count < kSectionFileMaxHeaders) {
                file_.headers.push_back(buffer_);
                ++file_.header_count;
            }
            buffer_.clear();
            mode_ = Mode::None;
            return;
        case Mode::Name:
        case Mode::AfterName:
            mode_ = Mode::Items;
            return;
        case Mode::Value:
            store_value();
            mode_ = Mode::Items;
            return;
        case Mode::Items:
            store_item();
            return;
        case Mode::None:
            buffer_.clear();
            return;
        }
    }

    void character(char c) {
        if (mode_ == Mode::AfterName) {
            // Blanks after the "]" are dropped; "=" starts the value; anything else
            // would have been read into the first item.
            if (c == '=') {
                buffer_.clear();
                mode_ = Mode::Value;
            } else if (!is_blank(c)) {
                well_formed_ = false;
            }
            return;
        }
        if (c == '[') {
            if (mode_ == Mode::Header || mode_ == Mode::Value) {
                add(c);
            } else if (mode_ != Mode::Name) {
                if (mode_ == Mode::Items) buffer_.clear();
                mode_ = Mode::Name;
            }
        } else if (c == '=') {
            if (mode_ == Mode::Name) {
                buffer_.clear();
                mode_ = Mode::Value;
            } else {
                add(c);
            }
        } else if (c == ']') {
            if (mode_ == Mode::Name) {
                new_section();
                mode_ = Mode::AfterName;
            } else {
                add(c);
            }
        } else if (mode_ != Mode::None) {
            add(c);
        }
    }

    void add(char c) {
        if (buffer_.size() < kSectionFileMaxText) buffer_.push_back(c);
    }

    // Sections past the limit are parsed but not kept, and neither are their values or items.
    void new_section() {
        if (file_.section_count < kSectionFileMaxSections) {
            Section section;
            section.name = buffer_;
            file_.sections.push_back(std::move(section));
            ++file_.section_count;
            current_ = &file_.sections.back();
        } else {
            current_ = nullptr;
        }
        buffer_.clear();
    }

    // A value or item seen before any "]" belongs to no section and is dropped.
    void store_value() {
        if (current_ != nullptr) current_->value = buffer_;
        buffer_.clear();
    }

    void store_item() {
        if (current_ != nullptr && current_->item_count < kSectionFileMaxItems) {
            current_->items.push_back(buffer_);
            ++current_->item_count;
        }
        buffer_.clear();
    }

    SectionFile& file_;
    Section* current_ = nullptr;
    Mode mode_ = Mode::None;
    std::string buffer_;
    bool well_formed_ = true;
};

}  // namespace

std::string section_file_unwritable(const SectionFile& file) {
    if (!within_limits(file)) return {};
    for (std::int32_t h = 0; h < file.header_count; ++h)
        if (std::string_view why = unreadable(file.headers[static_cast<std::size_t>(h)], kInHeader); !why.empty())
            return holds("header " + std::to_string(h + 1), why);
    for (std::int32_t s = 0; s < file.section_count; ++s) {
        const Section& section = file.sections[static_cast<std::size_t>(s)];
        const std::string name = "section " + std::to_string(s + 1);
        if (std::string_view why = unreadable(section.name, kInName); !why.empty()) return holds(name + " name", why);
        if (std::string_view why = unreadable(section.value, kInValue); !why.empty())
            return holds(name + " value", why);
        for (std::int32_t i = 0; i < section.item_count; ++i)
            if (std::string_view why = unreadable(section.items[static_cast<std::size_t>(i)], kInItem); !why.empty())
                return holds(name + " item " + std::to_string(i + 1), why);
    }
    return {};
}

bool section_file_text(const SectionFile& file, std::string& text) {
    text.clear();
    if (!within_limits(file) || !section_file_unwritable(file).empty()) return false;
    std::size_t size = 0;
    for (std::int32_t h = 0; h < file.header_count; ++h)
        size += kHeaderMark.size() + file.headers[static_cast<std::size_t>(h)].size() + kLineEnd.size();
    for (std::int32_t s = 0; s < file.section_count; ++s) {
        const Section& section = file.sections[static_cast<std::size_t>(s)];
        size += section.name.size() + section.value.size() + 5 + kLineEnd.size();
        for (std::int32_t i = 0; i < section.item_count; ++i)
            size += section.items[static_cast<std::size_t>(i)].size() + kLineEnd.size();
    }
    text.reserve(size);

    for (std::int32_t h = 0; h < file.header_count; ++h) {
        text += kHeaderMark;
        text += file.headers[static_cast<std::size_t>(h)];
        text += kLineEnd;
    }
    for (std::int32_t s = 0; s < file.section_count; ++s) {
        const Section& section = file.sections[static_cast<std::size_t>(s)];
        text += '[';
        text += section.name;
        text += ']';
        if (!section.value.empty()) {
            text += " = ";
            text += section.value;
        }
        text += kLineEnd;
        for (std::int32_t i = 0; i < section.item_count; ++i) {
            text += section.items[static_cast<std::size_t>(i)];
            text += kLineEnd;
        }
    }
    return true;
}

bool section_file_write(const std::string& path, const SectionFile& file) {
    std::string text;
    if (!section_file_text(file, text)) return false;
    return file_write_all(text, path) == static_cast<std::int32_t>(text.size());
}

bool section_file_read(const std::string& path, SectionFile& file) {
    std::vector<std::uint8_t> bytes;
    if (file_read_all(bytes, path) < 0) return false;
    SectionFile parsed;
    try {
        if (!section_file_parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), parsed))
            return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    file = std::move(parsed);
    return true;
}

bool section_file_parse(std::string_view text, SectionFile& file) {
    file = SectionFile{};
    Parser parser(file);
    parser.run(text);
    return parser.well_formed();
}
