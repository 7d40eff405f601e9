#include "array_drive_parts.h"

#include <cstring>

#include "array_drive.h"
#include "byte_order.h"
#include "controller.h"
#include "dialog_list.h"
#include "disk_lines.h"
#include "error_message.h"
#include "host_drive.h"
#include "log_drive.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "mirror_drive.h"
#include "record_values.h"
#include "str_printf.h"

namespace {

constexpr size_t firstFailedOffset = 20;
constexpr uint8_t slotFailed = 0x01;
constexpr uint8_t slotInvalid = 0x04;

}  // namespace

CArrayDrive* ArrayByNumber(CController& controller, int number)
{
    const int i = controller.FindArrayDrive(number);
    return i >= 0 && i < controller.arrayDrives.count ? &controller.arrayDrives[i] : nullptr;
}

CMirrorDrive* MirrorByNumber(CController& controller, int number)
{
    const int i = controller.FindMirrorDrive(number);
    return i >= 0 && i < controller.mirrorDrives.count ? &controller.mirrorDrives[i] : nullptr;
}

CLogDrive* LogicalAt(CController& controller, int index)
{
    return index >= 0 && index < controller.logDrives.count ? &controller.logDrives[index] : nullptr;
}

CHostDrive* FirstArrayHostDrive(CController& controller, const CArrayDrive& array)
{
    if (array.hostDrives.count == 0)
        return nullptr;
    const int h = array.hostDrives[0];
    return h >= 0 && h < controller.hostDrives.count ? &controller.hostDrives[h] : nullptr;
}

CHostDrive* FirstMirrorHostDrive(CController& controller, const CMirrorDrive& mirror)
{
    if (mirror.hostDrives.count == 0)
        return nullptr;
    const int h = mirror.hostDrives[0];
    return h >= 0 && h < controller.hostDrives.count ? &controller.hostDrives[h] : nullptr;
}

CLogDrive* MirrorMaster(CController& controller, const CMirrorDrive& mirror)
{
    return mirror.components.count > 0 ? LogicalAt(controller, mirror.components[0]) : nullptr;
}

std::string DriveNameText(const char* name)
{
    return std::string(name, strnlen(name, nameSize));
}

uint32_t LogicalCapacity(const CLogDrive& drive)
{
    return wire::get32(drive.GetInfo(), LDINFO_CAPACITY);
}

uint8_t SlotFlags(const CArrayDrive& array, int slot)
{
    return array.info[ARREC_SLOTS + ARREC_SLOT_SIZE * static_cast<size_t>(slot) + ARREC_SLOT_FAILED];
}

int ComponentSlotCount(const CArrayDrive& array)
{
    const int count = array.info[ARREC_DATA_COUNT] + (array.Type() == RAID_TYPE_4 ? 1 : 0);
    return count < ARREC_MAX_SLOTS ? count : ARREC_MAX_SLOTS;
}

std::string SlotStatusText(const CController& controller, const CArrayDrive& array, int slot, const CLogDrive* drive)
{
    const uint8_t flags = SlotFlags(array, slot);
    const bool first = wire::get32(array.info, firstFailedOffset) == static_cast<uint32_t>(slot);
    if (flags & slotMissing)
        return first ? "missing/first" : "missing";
    if (flags & slotFailed)
        return first ? "fail/first" : "fail";
    if (flags & slotInvalid)
        return "invalid";
    if (drive == nullptr)
        return "";
    const CMirrorDrive* mirror = MirrorOf(controller, *drive);
    return mirror != nullptr ? mirror->stateText : drive->stateText;
}

void SetComponentLine(CListBox& list, int line, const CLogDrive& drive, char second, const std::string& status,
                      const char* type, const std::string& label)
{
    list.SetLine(line, ' ', second, drive.GetNumber() & numberMask, DriveNameText(drive.GetName()), status,
                 drive.attributeText, static_cast<long>(LogicalCapacity(drive) >> 11), type, label);
}

std::vector<int> PrivateHotFixDrives(const CController& controller, const CArrayDrive& array)
{
    std::vector<int> list;
    for (int i = 0; i < controller.logDrives.count; ++i) {
        const CLogDrive& d = controller.logDrives[i];
        if (d.isPrivateHotFix && d.arrayIndex >= 0 && d.arrayIndex < controller.arrayDrives.count &&
            controller.arrayDrives[d.arrayIndex].arrayNumber == array.arrayNumber)
            list.push_back(i);
    }
    return list;
}

std::vector<int> PoolHotFixDrives(const CController& controller)
{
    std::vector<int> list;
    for (int i = 0; i < controller.logDrives.count; ++i)
        if (controller.logDrives[i].IsPoolHotFix())
            list.push_back(i);
    return list;
}

CMirrorDrive* MirrorOf(CController& controller, const CLogDrive& drive)
{
    const int m = drive.mirrorIndex;
    return m >= 0 && m < controller.mirrorDrives.count ? &controller.mirrorDrives[m] : nullptr;
}

const CMirrorDrive* MirrorOf(const CController& controller, const CLogDrive& drive)
{
    const int m = drive.mirrorIndex;
    return m >= 0 && m < controller.mirrorDrives.count ? &controller.mirrorDrives[m] : nullptr;
}

void ShowChangeError(const CController& controller, int ok, int refreshed, uint32_t error)
{
    if (!ok)
        ShowErrorCode(error);
    else if (!refreshed)
        ShowErrorCode(controller.error);
}

void MarkChanged(CController& controller)
{
    controller.AddFlags(1);
}

void ShowFormatted(const char* key, const char* argument, int error)
{
    tui::strPrintf(std::span<char>(SharedText(), sharedTextSize), MessageText(key), argument);
    ShowMessage(SharedText(), error, 1);
}

void WaitBox()
{
    ShowWaitBox(MessageText("M2000"), 0);
}

int AccessedByOtherControllers(CController& controller, const CHostDrive* first)
{
    return controller.FirmwareLevel() >= 30 && first != nullptr && first->GetCluster()->shared != 0 ? 1 : 0;
}

int CanConvertToRaid10(CController& controller, CArrayDrive& array)
{
    if ((controller.info.featureByte & 0x02) == 0 || array.Type() != RAID_TYPE_0)
        return 0;
    for (int i = 0; i < array.components.count; ++i) {
        const CLogDrive* d = LogicalAt(controller, array.components[i]);
        if (d == nullptr || d->mirrorIndex < 0)
            return 0;
    }
    return 1;
}
