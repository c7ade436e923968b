#pragma once

namespace orv {

class TDeviceModel;

// What a board reports of each setting, and where a setting goes in the
// outgoing command data.

bool HighSpeedReported(const TDeviceModel& model, int board);
// The board's own report of a setting (the reported minimum for both zeros).
int ReportedSetting(const TDeviceModel& model, int board, int key);
// Stores a value in the outgoing data of the command that carries it
// (Config Cmd and Set PWM Parameters keys only).
void SetCommandValue(TDeviceModel& model, int board, int key, int value);

} // namespace orv
