#pragma once
#include <string>
#include <vector>

#include "sim/ControllerBoard.h"

// The boards' settings kept across runs (what a real board keeps in its own
// memory). The file is text, one section per board in bus order:
//
//     [board slot 0]
//     address=1
//     max=900
//     ...
namespace orv::sim {

// Reads the file into the boards; a missing file reads as nothing. False, with
// the file name and line, when it cannot be read or a line does not fit; the
// boards are then left as they were.
bool LoadBoardStates(const std::string& path, std::vector<TControllerBoard>& boards, std::string& error);

std::string BoardStatesText(const std::vector<TControllerBoard>& boards);

// Writes the text through a temporary file renamed over the old one.
bool SaveBoardStates(const std::string& path, const std::string& text, std::string& error);

} // namespace orv::sim
