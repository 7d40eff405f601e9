#include "drive_host_labels.h"

#include "controller.h"
#include "disk_lines.h"
#include "str_printf.h"

namespace {

// The number of the first host drive of a list of host drive indices, -1 for none.
int FirstHostNumber(const CController& controller, const CArray<int>& hostDrives)
{
    if (hostDrives.count <= 0)
        return -1;
    const int h = hostDrives[0];
    return h >= 0 && h < controller.hostDrives.count ? controller.hostDrives[h].hostDriveNumber : -1;
}

}  // namespace

const char* ArrayHostLabel(const CController& controller, const CArrayDrive& array)
{
    const std::span<char> out(SharedText(), sharedTextSize);
    out[0] = '\0';
    const int host = FirstHostNumber(controller, array.hostDrives);
    if (host >= 0)
        tui::strPrintf(out, "Host  %d", host);
    return SharedText();
}

const char* MirrorHostLabel(const CController& controller, const CMirrorDrive& mirror)
{
    const std::span<char> out(SharedText(), sharedTextSize);
    out[0] = '\0';
    if (mirror.arrayIndex >= 0 && mirror.arrayIndex < controller.arrayDrives.count) {
        tui::strPrintf(out, "Array %d", controller.arrayDrives[mirror.arrayIndex].arrayNumber);
        return SharedText();
    }
    const int host = FirstHostNumber(controller, mirror.hostDrives);
    if (host >= 0)
        tui::strPrintf(out, "Host  %d", host);
    return SharedText();
}
