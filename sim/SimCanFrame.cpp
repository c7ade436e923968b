#include "sim/SimCanFrame.h"

#include "sim/HexText.h"

namespace orv::sim {

TSimCanFrame BoardFrame(uint8_t code, uint8_t board)
{
    TSimCanFrame f;
    f.Id = kControllerIdFlag | (uint32_t(board) << 8) | code;
    return f;
}

std::string DataBytesText(const TSimCanFrame& frame)
{
    return HexBytes(std::string(frame.Data.begin(), frame.Data.end()));
}

} // namespace orv::sim
