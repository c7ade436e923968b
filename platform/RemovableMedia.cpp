#include "platform/RemovableMedia.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

namespace orv {

namespace {

constexpr std::size_t kMaxDrives = 4; // E, F, G, H

namespace fs = std::filesystem;

// Sub-folders (symbolic links followed) sorted by name; none when unreadable.
std::vector<std::string> SubFolders(const std::string& dir)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code tec;
        if (it->is_directory(tec))
            out.push_back(it->path().string());
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

bool IsMountPoint(const std::string& path)
{
    struct stat self {}, parent {};
    if (::stat(path.c_str(), &self) != 0 || ::stat((path + "/..").c_str(), &parent) != 0)
        return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

std::vector<std::string> RemovableMountPoints(const TRemovableMedia& media)
{
    const auto isMount = media.isMountPoint ? media.isMountPoint : IsMountPoint;
    std::vector<std::string> found;
    auto add = [&](const std::string& p) {
        if (found.size() < kMaxDrives)
            found.push_back(p);
    };
    for (const auto& root : media.roots) {
        for (const auto& child : SubFolders(root)) {
            if (isMount(child)) {
                add(child);
                continue;
            }
            for (const auto& grandChild : SubFolders(child))
                if (isMount(grandChild))
                    add(grandChild);
        }
    }
    return found;
}

bool FindServiceStick(std::string& servicePath, const TRemovableMedia& media)
{
    servicePath.assign(1, '#');
    for (const auto& mount : RemovableMountPoints(media)) {
        std::error_code ec;
        const std::string candidate = mount + "/PeloTek";
        if (fs::is_directory(candidate, ec)) {
            servicePath = candidate;
            return true;
        }
    }
    return false;
}

} // namespace orv
