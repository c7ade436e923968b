#include "platform/SystemScripts.h"

#include "platform/HubScripts.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace orv {

namespace {
constexpr long kOverlayMagic = 0x794c7630;
constexpr long kTmpfsMagic = 0x01021994;
constexpr long kRamfsMagic = static_cast<long>(0x858458f6);
} // namespace

std::string CheckWriteFilterScript(const std::string& statePath)
{
    return "#!/bin/sh\n"
           "# Written by the program at every start: is the system volume behind its\n"
           "# write-protecting overlay?\n"
           "STATE=" +
           ShellQuote(statePath) +
           "\n"
           "FSTYPE=$(findmnt -no FSTYPE /)\n"
           "if [ \"$FSTYPE\" = overlay ]; then\n"
           "    echo \"Root file system: overlay, write filter enabled\" > \"$STATE\"\n"
           "else\n"
           "    echo \"Root file system: ${FSTYPE:-unknown}, write filter disabled\" > \"$STATE\"\n"
           "fi\n";
}

std::string EnableWriteFilterScript()
{
    return "#!/bin/sh\n"
           "# Written by the program when the system volume is not protected: the\n"
           "# overlay is switched on from the next boot.\n"
           "exec systemctl start " +
           ShellQuote(kOverlayUnit) + "\n";
}

bool WriteScriptFile(const std::string& path, const std::string& text)
{
    const std::string temp = path + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    const bool ok = done == text.size() && ::fsync(fd) == 0;
    ::fchmod(fd, 0755);
    if (::close(fd) != 0 || !ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

std::string VolatileFileSystemOf(const std::string& path)
{
    struct statfs fs{};
    if (::statfs(path.c_str(), &fs) != 0)
        return "";
    const long type = static_cast<long>(fs.f_type);
    if (type == kOverlayMagic)
        return "overlay";
    if (type == kTmpfsMagic || type == kRamfsMagic)
        return "tmpfs";
    return "";
}

} // namespace orv
