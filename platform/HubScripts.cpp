#include "platform/HubScripts.h"

#include "platform/SystemScripts.h"

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

namespace {

// The report goes to the result file; when that cannot be written the
// script still does its work.
std::string Prologue(const std::string& resultPath)
{
    return "#!/bin/sh\n"
           "RESULT=" +
           ShellQuote(resultPath) +
           "\n"
           "if ( true > \"$RESULT\" ) 2>/dev/null; then exec > \"$RESULT\" 2>&1; else exec > /dev/null 2>&1; fi\n";
}

std::string InFolder(const std::string& folder, const std::string& file)
{
    std::string dir = folder;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir.empty() ? file : dir + "/" + file;
}

} // namespace

std::string ShellQuote(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string RestartHubScript(const std::string& resultPath)
{
    return Prologue(resultPath) + R"SH(# Restarts every USB root hub, so that the USB-to-serial adapter behind it is
# enumerated afresh. Only root with a writable sysfs may; elsewhere nothing is
# touched and the exit status is 1.
SYSFS="${ORVANE_SYSFS:-/sys}"
DEVICES="$SYSFS/bus/usb/devices"
DRIVER="$SYSFS/bus/usb/drivers/usb"

# A hub that was switched off is always switched on again, even when the
# first write back fails.
by_authorized() {
    [ -f "$1/authorized" ] && [ -w "$1/authorized" ] || return 1
    printf '0\n' > "$1/authorized" || return 1
    printf '1\n' > "$1/authorized" || printf '1\n' > "$1/authorized"
}

by_rebind() {
    [ -f "$DRIVER/unbind" ] && [ -w "$DRIVER/unbind" ] && [ -f "$DRIVER/bind" ] && [ -w "$DRIVER/bind" ] || return 1
    printf '%s\n' "$2" > "$DRIVER/unbind" || return 1
    printf '%s\n' "$2" > "$DRIVER/bind" || printf '%s\n' "$2" > "$DRIVER/bind"
}

echo "Restarting the USB root hubs under $DEVICES"
found=0
failed=0
for hub in "$DEVICES"/usb*; do
    [ -e "$hub" ] || continue
    name=${hub##*/}
    found=$((found + 1))
    if by_authorized "$hub"; then
        echo "$name: restarted"
    elif by_rebind "$hub" "$name"; then
        echo "$name: restarted by unbind and bind"
    else
        echo "$name: not allowed to restart"
        failed=$((failed + 1))
    fi
done
if [ "$found" -eq 0 ]; then
    echo "No USB root hub found: nothing restarted"
    exit 1
fi
if [ "$failed" -gt 0 ]; then
    echo "Failed: $failed of $found USB root hubs not restarted (needs root and a writable sysfs)"
    exit 1
fi
echo "Restarted $found USB root hubs"
exit 0
)SH";
}

std::string RescanHubScript(const std::string& resultPath)
{
    return Prologue(resultPath) + R"SH(# Has udev replay the events of the USB and serial devices, so that their
# device nodes and the port links are made again.
UDEVADM="$ORVANE_UDEVADM"
if [ -z "$UDEVADM" ]; then
    if [ -n "$ORVANE_SYSFS" ] && [ "$ORVANE_SYSFS" != /sys ]; then
        echo "udevadm not run: ORVANE_SYSFS points to $ORVANE_SYSFS"
        exit 1
    fi
    UDEVADM=udevadm
fi
if ! command -v "$UDEVADM" > /dev/null 2>&1; then
    echo "$UDEVADM not found: no rescan"
    exit 1
fi
if ! "$UDEVADM" trigger --subsystem-match=usb --subsystem-match=tty; then
    echo "Rescan failed"
    exit 1
fi
"$UDEVADM" settle --timeout=10
echo "Rescan done"
exit 0
)SH";
}

bool WriteHubBatchFiles(const std::string& folder, THubBatchFiles& files)
{
    files.rescan = InFolder(folder, "RescanHub.sh");
    files.restart = InFolder(folder, "RestartHub.sh");
    const bool rescan = WriteScriptFile(files.rescan, RescanHubScript(InFolder(folder, "RescanResult.txt")));
    const bool restart = WriteScriptFile(files.restart, RestartHubScript(InFolder(folder, "RestartResult.txt")));
    return rescan && restart;
}

} // namespace orv
