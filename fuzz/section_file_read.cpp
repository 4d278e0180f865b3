// Command project files as read from disk: whatever the bytes, the record stays within its
// limits, its counts match what it holds, and the writer accepts what the reader gives.
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
    FUZZ_CHECK(section_file_text(file, text));
    return 0;
}
