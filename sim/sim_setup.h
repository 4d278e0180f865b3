// From the command line to the simulated devices and the serving settings.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "sim/sim_network.h"
#include "sim/sim_options.h"
#include "sim/sim_server.h"

// The profile of a model of any family by its name ("RD24-M4", "PT57-M12").
bool simProfileOf(const std::string& model, SimProfile& out);
// The models of every family, joined by ", " and before the last by `last`:
// "RD24-M1..RD24-M8 or PT57-M1..PT57-M20".
std::string simModelRanges(std::string_view last);

// The device on the port and those on its bus; null with the reason.
std::unique_ptr<SimNetwork> simBuildNetwork(const SimOptions& options, std::string& error);

// The fault and mode settings of the serving loop; false with the reason.
bool simServeSettings(const SimOptions& options, std::uint32_t seed, SimServeSettings& out, std::string& error);
