#pragma once
#include <string>

namespace orv::sim {

class TSimulator;

// Runs one command line against the simulator and returns its answer line
// ("OK ..." or "ERROR ...").
std::string ExecuteCommand(TSimulator& sim, const std::string& line);
// "status, unplug [S], ..."
std::string CommandList();

} // namespace orv::sim
