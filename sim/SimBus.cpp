#include "sim/SimBus.h"

#include "sim/HexText.h"

namespace orv::sim {

TSimBus::TSimBus(const std::vector<uint8_t>& addresses)
{
    for (uint8_t a : addresses)
        fBoards.emplace_back(a);
}

std::vector<TSimCanFrame> TSimBus::Deliver(const TSimCanFrame& frame, std::string& note)
{
    std::vector<TSimCanFrame> replies;
    bool taken = false, known = false;
    for (auto& board : fBoards) {
        if (!board.Accepts(frame))
            continue;
        taken = true;
        known = board.Handle(frame, replies) || known;
    }
    if (!taken)
        note = "no board takes identifier 0x" + HexWord(frame.Id);
    else if (!known)
        note = "the boards do not handle this code";
    return replies;
}

TControllerBoard* TSimBus::Board(int address)
{
    for (auto& board : fBoards)
        if (board.Address() == address)
            return &board;
    return nullptr;
}

} // namespace orv::sim
