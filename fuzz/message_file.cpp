// The message-list file reader ("File", "Load") on any bytes: no line it gives holds
// a line end, and the lines written back as a file read back the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "core/terminal/message_list_file.h"
#include "core/util/line_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> lines =
        message_file_lines(std::string_view(reinterpret_cast<const char*>(data), size));
    LineStore store;
    for (const std::string& line : lines) {
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
        store.append(line);
    }
    FUZZ_CHECK(message_file_lines(message_file_text(store)) == lines);
    return 0;
}
