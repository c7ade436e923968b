#pragma once
#include <string>

namespace orv {

// The units of the panel PC the program asks systemd about: the technician's
// desktop (the "shell" the program ends while it runs and brings back on
// "Quit to Explorer"), and the one-shot unit that puts the root file system
// behind its overlay from the next boot on.
inline constexpr const char* kShellUnit = "orvane-shell.service";
inline constexpr const char* kOverlayUnit = "orvane-overlay-enable.service";

// "CheckEWF.sh": writes the root file system's state into statePath, one
// line holding "enabled" when "/" is an overlay (findmnt), else "disabled".
std::string CheckWriteFilterScript(const std::string& statePath);
// "EnableEWF.sh": asks systemd to start the overlay unit.
std::string EnableWriteFilterScript();

// Writes a script whole (temporary file, flush, rename), executable. False
// when it could not be written.
bool WriteScriptFile(const std::string& path, const std::string& text);

// The kind of file system a path lies on: "overlay", "tmpfs" or "" for any
// other (or when it cannot be told).
std::string VolatileFileSystemOf(const std::string& path);

} // namespace orv
