#pragma once
#include <string>

namespace orv::test {

// The folder of the running test or benchmark binary (where orvane,
// orvane-sim and the factory configuration are built).
std::string BinaryDir();

// Fills an INI folder with the factory configuration, the given primary mode,
// the controller remembered on a USB-to-CAN adapter at `controllerPort` and a
// generic GPS receiver on `navPort`, as an installer would leave it.
void SeedFactoryHome(const std::string& dir, int primaryMode, int controllerPort, int navPort);

} // namespace orv::test
