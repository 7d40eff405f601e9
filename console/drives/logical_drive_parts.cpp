#include "logical_drive_parts.h"

#include <cstdlib>
#include <cstring>
#include <span>
#include <string>

#include "byte_order.h"
#include "console_state.h"
#include "controller.h"
#include "dialog_list.h"
#include "disk_lines.h"
#include "input_box.h"
#include "key_codes.h"
#include "log_drive.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "record_values.h"
#include "str_printf.h"

namespace {

constexpr uint32_t megabyte = 1048576;

ListDef driveList = {1, 5, 0, 1, 76, -1, nullptr, nullptr,
                     "   No. Name     Status        Attr.      Capacity  Type      belongs to ",
                     {"%c %c%-3d %-8s %-14s%-9s%7ld MB  %-9s %s", nullptr}};
InputDef sizeInput = {20, 11, 0, "Drive Size (%ld..%ld MB): ", 10};

}  // namespace

std::string DriveName(const CLogDrive& d)
{
    const char* name = d.GetName();
    return std::string(name, strnlen(name, nameSize));
}

bool AskDriveName(InputDef& def, const std::string& current, char (&text)[8])
{
    CInputBox box(&def);
    if (!box.Open(nullptr, nullptr)) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return false;
    }
    std::memset(text, 0, sizeof text);
    std::strncpy(text, current.c_str(), sizeof text - 1);
    box.Edit(text);
    if (box.LastKey() != tui::keyEnter)
        return false;
    if (text[0] == '\0' || text[0] == ' ') {
        tui::strPrintf(std::span<char>(SharedText(), sharedTextSize), MessageText("M4050"), text);
        ShowMessage(SharedText(), 1, 1);
        return false;
    }
    return true;
}

ListDef* DriveListDef()
{
    return &driveList;
}

const char* LogicalDriveHostLabel(const CController& controller, const CLogDrive& drive)
{
    const std::span<char> out(SharedText(), sharedTextSize);
    out[0] = '\0';
    if (drive.mirrorIndex >= 0 && drive.mirrorIndex < controller.mirrorDrives.count)
        tui::strPrintf(out, "RAID-1 %d", controller.mirrorDrives[drive.mirrorIndex].mirrorNumber);
    else if (drive.arrayIndex >= 0 && drive.arrayIndex < controller.arrayDrives.count)
        tui::strPrintf(out, "Array  %d", controller.arrayDrives[drive.arrayIndex].arrayNumber);
    else if (drive.hostDrives.count > 0 && drive.hostDrives[0] < controller.hostDrives.count)
        tui::strPrintf(out, "Host   %d", controller.hostDrives[drive.hostDrives[0]].hostDriveNumber);
    else if (drive.IsPoolHotFix())
        tui::strPrintf(out, "%s", MessageText("M1027"));
    return SharedText();
}

void SetLogicalDriveLine(CListBox& list, int line, const CController& controller, const CLogDrive& drive,
                         char marker)
{
    const int number = drive.GetNumber();
    const char* state = drive.stateText;
    const char* type = drive.kindText;
    if (drive.mirrorIndex >= 0 && drive.mirrorIndex < controller.mirrorDrives.count) {
        state = controller.mirrorDrives[drive.mirrorIndex].stateText;
        type = controller.mirrorDrives[drive.mirrorIndex].typeText;
    }
    const std::string label = LogicalDriveHostLabel(controller, drive);
    list.SetLine(line, marker, (number & sharedBit) ? 's' : ' ', number & numberMask, DriveName(drive), state,
                 drive.attributeText, static_cast<long>(wire::get32(drive.GetInfo(), LDINFO_CAPACITY) >> 11),
                 type, label);
}

int ShowLogicalDriveDisks(CController& controller, const CLogDrive& drive)
{
    CListBox list(DiskListDef(controller), drive.disks.count, 1);
    if (!list.IsOk() || !list.Open(MessageText("M1031"))) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return 1;
    }
    for (int i = 0; i < drive.disks.count; ++i)
        if (drive.disks[i] >= 0 && drive.disks[i] < controller.physDrives.count)
            list.SetLine(i, ' ', DiskLineText(controller, controller.physDrives[drive.disks[i]]));
    int line = 0;
    for (;;) {
        const int result = list.Run(line);
        if (result < 0) {
            if (result == -3)
                ShowMessage(MessageText("M4000"), 0, 1);
            return 1;
        }
        line = result;
    }
}

long AskDriveSize(const CController& controller, long largest, long current)
{
    const long smallest =
        controller.FirmwareVersion() >= 0x1F0000
            ? static_cast<long>(wire::get32(controller.boardDetails, boardDetailsReservedArea) / megabyte) + 1
            : 1;
    char prompt[64];
    tui::strPrintf(prompt, sizeInput.prompt, smallest, largest);
    for (;;) {
        CInputBox box(&sizeInput);
        if (!box.Open(prompt, nullptr))
            return -1;
        char text[16];
        tui::strPrintf(text, "%ld", current);
        box.Edit(std::span<char>(text, 11));
        if (box.LastKey() != tui::keyEnter)
            return current;
        char* end = nullptr;
        const unsigned long size = std::strtoul(text, &end, 10);
        if (text[0] >= '0' && text[0] <= '9' && end != nullptr && *end == '\0' &&
            size >= static_cast<unsigned long>(smallest) && size <= static_cast<unsigned long>(largest))
            return static_cast<long>(size);
    }
}
