#pragma once
#include <functional>
#include <string>
#include <vector>

namespace orv {

// Where removable media are mounted, which takes the place of the drive
// letters E to H of the cockpit computer.
struct TRemovableMedia {
    // Each root holds mount points either directly (/media/usb0) or one level
    // down, per user (/media/pilot/STICK).
    std::vector<std::string> roots = {"/media", "/run/media"};
    // Whether a folder is a mount point; tests lay out plain folders.
    std::function<bool(const std::string& path)> isMountPoint;
};

// A folder on another file system than its parent's.
bool IsMountPoint(const std::string& path);

// The mount points, roots in order and names sorted within each, at most four.
std::vector<std::string> RemovableMountPoints(const TRemovableMedia& media = {});

// The first mount point holding a folder "PeloTek": servicePath := mount point
// + "/PeloTek", else "#". True when one was found.
bool FindServiceStick(std::string& servicePath, const TRemovableMedia& media = {});

} // namespace orv
