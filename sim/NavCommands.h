#pragma once
#include <string>
#include <vector>

namespace orv::sim {

class TSimulator;

// "nav SUBCOMMAND ..." against the navigation source; `args` are the words
// of the line ("nav", "speed", "65"), `rest` the line after "nav".
std::string ExecuteNavCommand(TSimulator& sim, const std::vector<std::string>& args, const std::string& rest);

} // namespace orv::sim
