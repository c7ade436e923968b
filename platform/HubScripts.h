#pragma once
#include <string>

namespace orv {

// The scripts that restart and rescan the USB hubs of the cockpit computer,
// kept beside the configuration files so a technician can run them by hand.
struct THubBatchFiles {
    std::string rescan;  // "RescanHub.sh", output in "RescanResult.txt"
    std::string restart; // "RestartHub.sh", output in "RestartResult.txt"
};

// Writes both scripts into folder (each replaced whole, never left half
// written). False when either could not be written; files holds the paths
// all the same.
bool WriteHubBatchFiles(const std::string& folder, THubBatchFiles& files);

// The scripts' text, writing their report to resultPath.
//
// RestartHub.sh asks the kernel to restart every USB root hub
// ($ORVANE_SYSFS, default /sys, then bus/usb/devices/usb*): "authorized" 0 then
// 1, or else unbind and bind at bus/usb/drivers/usb. Where that is not allowed
// (not root, a read-only sysfs, a container) it touches nothing, says so in
// the report and exits 1; it exits 0 only when every root hub was restarted.
//
// RescanHub.sh has udev replay the events of the USB and serial devices
// ("udevadm trigger", or $ORVANE_UDEVADM), so that their device nodes and
// links are made again; exit 1 when that is not possible. It does not run
// the real udevadm while ORVANE_SYSFS points away from /sys.
std::string RestartHubScript(const std::string& resultPath);
std::string RescanHubScript(const std::string& resultPath);

// 'text' for the shell, whatever it holds.
std::string ShellQuote(const std::string& text);

} // namespace orv
