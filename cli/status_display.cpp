// The controller table and the physical disk table.
#include "status_display.h"

#include "byte_order.h"
#include "controller_texts.h"
#include "controller_values.h"
#include "disk_position.h"
#include "table_row.h"

#include <cstdio>
#include <string>

namespace {
constexpr size_t kChannelLetterOffset = 5;  // "FCAL-A-1": the letter of the channel
constexpr size_t kSecondLoopByte = 80;
constexpr size_t kFragmentByte = 59;
constexpr size_t kRemovableByte = 49;

}  // namespace

void ShowControllerHeader()
{
    std::printf("No.\tName\t\tPosition\tFeatures\tFirmware\n");
    std::printf("---\t----\t\t--------\t--------\t--------\n");
}

int ShowControllerRow(const CController& controller, int index)
{
    const ControllerInfo& info = controller.info;
    std::printf("%d\t%s\t\t%s\t%s\t%s\n", index, BoundedText(info.typeName).c_str(), BoundedText(info.pciText).c_str(),
                RaidFeaturesText(info).c_str(), BoundedText(info.firmwareText).c_str());
    return 0;
}

void ShowFirmwareVersion(const CController& controller)
{
    std::printf("%s\n", BoundedText(controller.info.firmwareText).c_str());
}

int ShowPhysicalDisks(CController& controller)
{
    controller.ScanDevices();
    std::printf("Type-Chn-ID\tLUN\tUsed\t\tVendor\tModel    \tAttr\tCap.(MB)\n");
    std::printf("---- ------\t---\t----\t\t------\t-----    \t----\t--------\n");
    if (controller.physDrives.count == 0) {
        std::printf("No Physical drives.\n");
        return 0;
    }
    for (int i = 0; i < controller.physDrives.count; ++i)
        ShowPhysicalDiskRow(controller, controller.physDrives[i]);
    return 0;
}

void ShowPhysicalDiskRow(const CController& controller, const CPhysDrive& device)
{
    const uint8_t* info = device.GetInfo();
    if (info[DEVINFO_TYPE] != DEVICE_TYPE_DISK || info[DEVINFO_READY] == 0)
        return;

    TableRow row;
    const ControllerChannel* channel = DiskChannel(controller, device);
    const std::string position = DiskPositionText(controller, device);
    row.Add("%s\t%d\t", position.empty() ? "???" : position.c_str(), device.lun);
    if (channel != nullptr && channel->kind == CHANNEL_KIND_FC && info[kSecondLoopByte] != 0)
        row.Replace(kChannelLetterOffset, '*');

    const uint32_t drive = wire::get32(info, DEVINFO_LOG_DRIVE);
    if (drive != kNoDrive)
        row.Add("Drive %ld", static_cast<long>(drive));
    else
        row.Add("%s", info[kFragmentByte] != 0 ? "Fragment" : "Free");
    row.Add("\t\t");

    char vendor[DEVINFO_VENDOR_SIZE + 1];
    char product[DEVINFO_PRODUCT_SIZE + 1];
    CopyRecordText(vendor, sizeof vendor, info + DEVINFO_VENDOR, DEVINFO_VENDOR_SIZE);
    CopyRecordText(product, sizeof product, info + DEVINFO_PRODUCT, DEVINFO_PRODUCT_SIZE);
    row.Add("%s%s", vendor, product);

    row.Add("%s%s", info[kWriteProtectedByte] != 0 ? " RO" : " RW", (info[kRemovableByte] & 1) != 0 ? "RM" : "  ");
    row.Add(" %7ld ", static_cast<long>(wire::get32(info, DEVINFO_CAPACITY) >> 11));
    row.Print();
}
