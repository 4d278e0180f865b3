// Command project files as read from disk: whatever the bytes, the record stays within its
// limits and its counts match what it holds. The writer takes what the reader gives
// unless it names a text the reader would not give back, and what it writes reads back
// as the same record (a value with the blank the writer puts after "=").
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "core/files/section_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SectionFile file;
    section_file_parse(std::string_view(reinterpret_cast<const char*>(data), size), file);

    FUZZ_CHECK(file.header_count >= 0 && file.header_count <= kSectionFileMaxHeaders);
    FUZZ_CHECK(file.headers.size() == static_cast<std::size_t>(file.header_count));
    FUZZ_CHECK(file.section_count >= 0 && file.section_count <= kSectionFileMaxSections);
    FUZZ_CHECK(file.sections.size() == static_cast<std::size_t>(file.section_count));
    for (const std::string& header : file.headers) FUZZ_CHECK(header.size() <= kSectionFileMaxText);
    for (const Section& section : file.sections) {
        FUZZ_CHECK(section.item_count >= 0 && section.item_count <= kSectionFileMaxItems);
        FUZZ_CHECK(section.items.size() == static_cast<std::size_t>(section.item_count));
        FUZZ_CHECK(section.name.size() <= kSectionFileMaxText && section.value.size() <= kSectionFileMaxText);
        for (const std::string& item : section.items) FUZZ_CHECK(item.size() <= kSectionFileMaxText);
    }

    std::string text;
    const std::string unwritable = section_file_unwritable(file);
    FUZZ_CHECK(section_file_text(file, text) == unwritable.empty());
    if (!unwritable.empty()) return 0;
    SectionFile back;
    FUZZ_CHECK(section_file_parse(text, back));
    FUZZ_CHECK(back.headers == file.headers);
    FUZZ_CHECK(back.sections.size() == file.sections.size());
    for (std::size_t s = 0; s < file.sections.size(); ++s) {
        const Section& read = file.sections[s];
        FUZZ_CHECK(back.sections[s].name == read.name);
        FUZZ_CHECK(back.sections[s].items == read.items);
        const std::string value = read.value.empty() ? "" : (" " + read.value).substr(0, kSectionFileMaxText);
        FUZZ_CHECK(back.sections[s].value == value);
    }
    return 0;
}
