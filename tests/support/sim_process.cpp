#include "support/sim_process.h"

SimProcess startSim(const std::vector<std::string>& args) {
    SimProcess sim;
    sim.child = std::make_unique<ChildProcess>(BENCHLINK_SIM_PROGRAM, args);
    if (!sim.child->started()) return sim;
    const auto line = sim.child->readLine();
    if (!line) return sim;
    sim.line = *line;
    const std::size_t arrow = line->find(" -> ");
    sim.path = arrow == std::string::npos ? *line : line->substr(arrow + 4);
    return sim;
}

std::string ask(FarLine& line, std::string_view request, std::chrono::milliseconds limit) {
    line.write(zum(request));
    return frameText(line.readFrame(limit));
}
