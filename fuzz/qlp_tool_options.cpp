// The command line of benchlink-qlp: any arguments give a usable record or a reason,
// never both, and an accepted command has the numbers its syntax allows.
//
// Input: the arguments, separated by 0x00.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "tools/qlp_tool_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0x00)
            args.emplace_back();
        else
            args.back().push_back(static_cast<char>(data[i]));
    }
    QlpToolOptions options;
    std::string error;
    const bool ok = qlpToolParse(args, options, error);
    FUZZ_CHECK(ok == error.empty());
    if (!ok || options.help) return 0;
    FUZZ_CHECK(options.command != QlpToolCommand::kNone);
    FUZZ_CHECK((options.line.port != 0) != !options.path.empty());
    FUZZ_CHECK(options.line.port >= 0 && options.line.port <= 15);
    FUZZ_CHECK(comport_baudrate_index(options.line.baudrate) >= 0);
    FUZZ_CHECK(options.line.fixrate >= -30 && options.line.fixrate <= 30);
    FUZZ_CHECK(options.family != nullptr);
    // detect takes no number; every other command starts with an ID.
    FUZZ_CHECK(options.args.size() <= 7);
    FUZZ_CHECK(options.args.empty() == (options.command == QlpToolCommand::kDetect));
    if (!options.args.empty()) FUZZ_CHECK(options.args[0] >= 0 && options.args[0] <= 255);
    return 0;
}
