#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/ControllerBoard.h"

namespace orv::sim {

// The CAN bus behind the link with the controller boards on it.
class TSimBus {
public:
    explicit TSimBus(const std::vector<uint8_t>& addresses);

    // Hands a frame to every board that takes it and returns their replies;
    // `note` says why nobody answered, when nobody did.
    std::vector<TSimCanFrame> Deliver(const TSimCanFrame& frame, std::string& note);

    std::vector<TControllerBoard>& Boards() { return fBoards; }
    const std::vector<TControllerBoard>& Boards() const { return fBoards; }
    // The board with that address, or nullptr.
    TControllerBoard* Board(int address);

private:
    std::vector<TControllerBoard> fBoards;
};

} // namespace orv::sim
