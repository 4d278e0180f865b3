// The section-file text format of command projects: header lines written after two
// backslashes, then sections "[name]" or "[name] = value" each followed by its items,
// one per line, every line ended by CR LF (the reader also takes LF alone). 8-bit
// text, never re-encoded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::int32_t kSectionFileMaxHeaders = 256;
inline constexpr std::int32_t kSectionFileMaxSections = 30;
inline constexpr std::int32_t kSectionFileMaxItems = 256;
inline constexpr std::size_t kSectionFileMaxText = 2048;

struct Section {
    std::string name;
    std::string value;  // empty when the section line has none
    std::int32_t item_count = 0;
    std::vector<std::string> items;
};

// The reader fills the counts and the vectors alike; the writer uses the first
// `header_count` headers, `section_count` sections and `item_count` items of each.
struct SectionFile {
    std::int32_t header_count = 0;
    std::vector<std::string> headers;
    std::int32_t section_count = 0;
    std::vector<Section> sections;
};

// What in the record the reader would not give back as it stands ("section 1 item 3
// holds a line break"): two backslashes or a line break anywhere, "[" in an item,
// "[", "]" or "=" in a section name. Empty when there is none (or a limit is broken).
std::string section_file_unwritable(const SectionFile& file);

// The file's text; false (and `text` empty) when a count is negative, over its limit or
// past the end of its vector, a text is longer than kSectionFileMaxText, or
// section_file_unwritable names a text, since the reader could not give such a file back.
bool section_file_text(const SectionFile& file, std::string& text);

// Writes the file whole or not at all (see file_write_all); false when the record is
// over the limits (nothing is written) or the write failed (last_file_error() says why).
bool section_file_write(const std::string& path, const SectionFile& file);

// Reads and parses the file; false, leaving `file` untouched, when it cannot be opened
// or read or section_file_parse refuses it. Never stores more than the limits above:
// what lies beyond them is skipped while parsing goes on, so everything within them is read.
bool section_file_read(const std::string& path, SectionFile& file);

// Parses a file's contents; replaces `file`. A line ends at CR LF or at LF alone.
// False when a section line holds text after its "]" other than blanks or "= value"
// (`file` then holds what was read, that text left out).
bool section_file_parse(std::string_view text, SectionFile& file);
