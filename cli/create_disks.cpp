#include "create_disks.h"

#include "byte_order.h"
#include "controller_values.h"
#include "disk_position.h"
#include "messages.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
// DISKS entries and position texts are compared in buffers of this size.
constexpr size_t kEntryBufferBytes = 32;

// True when another node has the disk mounted (firmware level 30 on).
bool ClaimedElsewhere(CController& controller, CPhysDrive& disk)
{
    if (controller.FirmwareLevel() < 30 || disk.GetInfo()[DEVINFO_INITIALISED] == 0)
        return false;
    // The first flag byte: the disk's private host drive is mounted by another controller.
    return disk.ReadOwnership() != 0 && disk.GetOwnership()[OWNERSHIP_FLAGS] != 0;
}

bool IsSuitable(CController& controller, CPhysDrive& disk)
{
    const ControllerChannel* channel = DiskChannel(controller, disk);
    const uint8_t* info = disk.GetInfo();
    return channel != nullptr && wire::get16(channel->record, 0) != 0 && info[DEVINFO_TYPE] == DEVICE_TYPE_DISK &&
           info[DEVINFO_READY] != 0 && wire::get32(info, DEVINFO_LOG_DRIVE) == kNoDrive &&
           info[kWriteProtectedByte] == 0 && wire::get16(info, DEVINFO_BLOCK_SIZE) == 512 &&
           !ClaimedElsewhere(controller, disk);
}

// The prefix an old-form entry takes from the kind of the device's channel.
const char* OldFormPrefix(const ControllerChannel& channel)
{
    if (channel.kind == CHANNEL_KIND_FC)
        return "FCAL-";
    if (channel.kind == CHANNEL_KIND_SATA)
        return "SATA-";
    return "SCSI-";
}

void PrintFormatWarning()
{
    std::fputs("WARNING: The physical disks entry format has changed. The CHN-ID format is\n"
               "WARNING: deprecated. The new format to specify disks is TYPE:CHN:ID.\n"
               "WARNING: The exact disk format is as displayed using the status options.\n"
               "WARNING: The new format allows a mix of more than one type of disks (say SCSI\n"
               "WARNING: and Fibrechannel) to be used for one Host Drive.\n",
               stdout);
    std::fflush(stdout);
}

bool IsNewForm(const std::string& entry)
{
    return entry.rfind("SCSI", 0) == 0 || entry.rfind("FCAL", 0) == 0 || entry.rfind("SATA", 0) == 0;
}

}  // namespace

bool CollectSuitableDisks(CController& controller, std::vector<int>& suitable)
{
    controller.ScanDevices();
    controller.Refresh();
    for (int i = 0; i < controller.physDrives.count; ++i)
        if (IsSuitable(controller, controller.physDrives[i]))
            suitable.push_back(i);
    if (suitable.empty()) {
        Emit("ERROR:No suitable disks found. Action aborted !\n");
        return false;
    }
    return true;
}

int ParseDiskList(CController& controller, std::vector<int>& chosen, const OptionsRecord& options)
{
    controller.ScanDevices();
    bool warned = false;
    size_t start = 0;
    while (start <= options.DISKS.size()) {
        size_t end = options.DISKS.find(',', start);
        if (end == std::string::npos)
            end = options.DISKS.size();
        const std::string entry = options.DISKS.substr(start, end - start);
        start = end + 1;
        const bool newForm = IsNewForm(entry);
        if (!newForm && !warned) {
            PrintFormatWarning();
            warned = true;
        }
        bool matched = false;
        for (int i = 0; i < controller.physDrives.count; ++i) {
            const CPhysDrive& disk = controller.physDrives[i];
            const ControllerChannel* channel = DiskChannel(controller, disk);
            if (channel == nullptr)
                continue;
            // An entry that does not fit the comparison buffer matches nothing.
            const std::string wanted = newForm ? entry : OldFormPrefix(*channel) + entry;
            if (wanted.size() >= kEntryBufferBytes || wanted != DiskPositionText(controller, disk))
                continue;
            matched = true;
            if (std::find(chosen.begin(), chosen.end(), i) != chosen.end())
                Emit("WARNING: Duplicate disk specified: %s\n", entry.c_str());
            else
                chosen.push_back(i);
        }
        if (!matched) {
            Emit("ERROR: Invalid disk specified: %s\n", entry.c_str());
            return 1;
        }
    }
    return 0;
}

DiskParameters CreateDiskParameters(const CController& controller, const CPhysDrive& disk)
{
    DiskParameters p;
    const ControllerChannel* channel = DiskChannel(controller, disk);
    const bool fast = channel != nullptr && (channel->record[5] == 8 || channel->record[5] == 9);
    p.transferMode = fast ? 0x31 : 0x11;
    p.transferRate = fast ? 160000 : 80000;
    p.disconnect = 1;
    p.syncTransfer = 1;
    p.cacheBits = controller.FirmwareLevel() > 18 ? 0x14 : 1;
    p.taggedQueues = 1;
    p.domainValidation = 0;
    p.diskFormat = 2;
    return p;
}
