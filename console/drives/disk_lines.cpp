#include "disk_lines.h"

#include <algorithm>
#include <cstring>

#include "byte_order.h"
#include "controller.h"
#include "dialog_keys.h"
#include "dialog_list.h"
#include "key_codes.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "record_values.h"
#include "str_printf.h"

namespace {

char sharedText[sharedTextSize];

ListDef scsiDiskList = {0, 5, 0, 1, 65, -1, " Select Physical Drive ", nullptr,
                        "  Chn    ID LUN  Vendor  Product          Attr Cap(MB) Drive", {"%c %s", nullptr}};
ListDef sataDiskList = {0, 5, 0, 1, 58, -1, " Select Physical Drive ", nullptr,
                        "  ID    Vendor  Product          Attr Cap(MB) Drive   ", {"%c %s", nullptr}};

constexpr size_t channelRecordBusType = 5;
constexpr size_t infoTotalCapacity = 104;
constexpr size_t infoDeviceByte = 59;
constexpr uint32_t reservedSectors = 66736;
constexpr uint32_t oldFormatExtra = 0x10000;
constexpr uint32_t uninitialisedReserve = 1200;

uint16_t LogicalDriveOf(const CPhysDrive& d)
{
    return wire::get16(d.GetInfo(), DEVINFO_LOG_DRIVE);
}

}  // namespace

char* SharedText()
{
    return sharedText;
}

int IsSataController(const CController& controller)
{
    return controller.info.channelCount > 0 && controller.channels[0].kind == CHANNEL_KIND_SATA ? 1 : 0;
}

uint8_t ChannelBusType(const CController& controller, int channel)
{
    if (channel < 0 || channel >= CONTROLLER_MAX_CHANNELS)
        return 0;
    return controller.channels[channel].record[channelRecordBusType];
}

ListDef* DiskListDef(const CController& controller)
{
    return IsSataController(controller) ? &sataDiskList : &scsiDiskList;
}

const char* DiskLineText(const CController& controller, const CPhysDrive& d)
{
    const std::span<char> out(sharedText, sizeof sharedText);
    const uint8_t* info = d.GetInfo();
    const int channel = d.GetChannel();
    const bool validChannel = channel >= 0 && channel < CONTROLLER_MAX_CHANNELS;
    if (d.IsOnSataChannel())
        tui::strPrintf(out, "%-5s ", d.GetPosition());
    else
        tui::strPrintf(out, "%-6s %-3d %d   ", validChannel ? controller.channels[channel].name : "",
                       d.GetTargetId(), d.GetLun());
    const size_t head = std::strlen(sharedText);
    const bool fibre = validChannel && controller.channels[channel].kind == CHANNEL_KIND_FC;
    if (fibre && d.DeviceType() != DEVICE_TYPE_IO_PROCESSOR && info[infoFcSecondLoop] != 0 && head > 5)
        sharedText[5] = '*';
    char vendor[DEVINFO_VENDOR_SIZE + 1] = {};
    char product[DEVINFO_PRODUCT_SIZE + 1] = {};
    std::memcpy(vendor, info + DEVINFO_VENDOR, DEVINFO_VENDOR_SIZE);
    std::memcpy(product, info + DEVINFO_PRODUCT, DEVINFO_PRODUCT_SIZE);
    tui::strCatPrintf(out, "%-8s%-16s", vendor, product);
    if (d.DeviceType() != DEVICE_TYPE_DISK || info[DEVINFO_READY] == 0)
        return sharedText;
    tui::strCatPrintf(out, "%s%s %7ld ", info[infoWriteProtected] ? " RO" : " RW",
                      (info[infoRemovable] & 1) ? "RM" : "  ",
                      static_cast<long>(wire::get32(info, DEVINFO_CAPACITY) >> 11));
    if (info[DEVINFO_INITIALISED] && head >= 2)
        sharedText[head - 2] = 'i';
    const uint16_t drive = LogicalDriveOf(d);
    if (drive != noLogicalDrive)
        tui::strCatPrintf(out, "Drive %ld", static_cast<long>(drive));
    else if (info[infoDeviceByte] != 0)
        tui::strCatPrintf(out, "%s", "Fragment");
    return sharedText;
}

bool IsFreeDisk(const CController& controller, const CPhysDrive& d)
{
    const int channel = d.GetChannel();
    if (channel < 0 || channel >= CONTROLLER_MAX_CHANNELS || !controller.channels[channel].usable)
        return false;
    const uint8_t* info = d.GetInfo();
    return d.DeviceType() == DEVICE_TYPE_DISK && info[DEVINFO_READY] != 0 && LogicalDriveOf(d) == noLogicalDrive &&
           info[infoWriteProtected] == 0 && wire::get16(info, DEVINFO_BLOCK_SIZE) == DISK_BLOCK;
}

bool DiskHasCapacity(const CController& controller, const CPhysDrive& d, uint32_t minimum, int diskFormat)
{
    const uint8_t* info = d.GetInfo();
    uint32_t usable;
    if (controller.FirmwareVersion() > 0x20FFFF) {
        usable = wire::get32(info, infoTotalCapacity) - reservedSectors;
        if (diskFormat == 1)
            usable += oldFormatExtra;
    } else {
        usable = wire::get32(info, DEVINFO_CAPACITY);
        if (info[DEVINFO_INITIALISED] == 0)
            usable -= uninitialisedReserve;
    }
    return usable >= minimum;
}

int OwnedByOtherController(const CController& controller, const CPhysDrive& d)
{
    const uint32_t owner = wire::get32(d.GetOwnership(), OWNERSHIP_SERIAL);
    return owner != 0 && owner != controller.SerialNumber() ? 1 : 0;
}

int ChooseDisks(CController& controller, const std::vector<int>& candidates, std::vector<int>& chosen, int& line)
{
    CListBox list(DiskListDef(controller), static_cast<int>(candidates.size()), 1);
    if (!list.IsOk() || !list.Open(nullptr, MessageText("M1005"))) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return 0;
    }
    const int keys[] = {' ', -1};
    if (line >= static_cast<int>(candidates.size()))
        line = 0;
    for (;;) {
        for (size_t k = 0; k < candidates.size(); ++k) {
            const bool in = std::find(chosen.begin(), chosen.end(), candidates[k]) != chosen.end();
            list.SetLine(static_cast<int>(k), in ? '*' : ' ',
                         DiskLineText(controller, controller.physDrives[candidates[k]]));
        }
        int key = 0;
        const int result = list.Run(line, keys, &key);
        if (result == -3) {
            ShowMessage(MessageText("M4000"), 0, 1);
            return 0;
        }
        if (result < 0)
            return 0;
        line = result;
        if (key != ' ')
            return 1;
        const auto at = std::find(chosen.begin(), chosen.end(), candidates[static_cast<size_t>(result)]);
        if (at == chosen.end())
            chosen.push_back(candidates[static_cast<size_t>(result)]);
        else
            chosen.erase(at);
    }
}

int SelectFreeDisks(CController& controller, std::vector<int>& chosen, uint32_t minimum, int diskFormat)
{
    std::vector<int> candidates;
    for (int i = 0; i < controller.physDrives.count; ++i) {
        const CPhysDrive& d = controller.physDrives[i];
        if (IsFreeDisk(controller, d) && DiskHasCapacity(controller, d, minimum, diskFormat))
            candidates.push_back(i);
    }
    if (candidates.empty()) {
        ShowMessage(MessageText("M5003"), 0, 1);
        return 0;
    }
    int line = 0;
    return ChooseDisks(controller, candidates, chosen, line);
}
