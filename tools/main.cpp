// benchlink-qlp: one QLP operation on a serial port, for scripts.
#include <iostream>
#include <string>
#include <vector>

#include "core/serial/comport.h"
#include "tools/qlp_tool_options.h"
#include "tools/qlp_tool_ports.h"
#include "tools/qlp_tool_run.h"

int main(int argc, char** argv) {
    QlpToolOptions options;
    std::string error;
    if (!qlpToolParse(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << "benchlink-qlp: " << error << "\nTry benchlink-qlp --help.\n";
        return kQlpToolUsage;
    }
    if (options.help) {
        std::cout << qlpToolUsage();
        return qlpToolFinish(0, std::cout, std::cerr);
    }
    if (options.list_ports && options.command == QlpToolCommand::kNone) {
        qlpToolListPorts(std::cout);
        return qlpToolFinish(0, std::cout, std::cerr);
    }
    // The program's one port.
    return qlpToolFinish(qlpToolRun(comport_port(), options, std::cout, std::cerr), std::cout, std::cerr);
}
