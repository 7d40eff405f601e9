// Reads sector 0 itself until the host drive object decodes its partition
// table on Refresh; then this is the one place to switch to its entries.
#include "partition_check.h"

#include "ctl_commands.h"

#include <cstdint>

namespace {

constexpr size_t kSectorBytes = 512;
constexpr size_t kFirstEntry = 446;
constexpr size_t kEntryBytes = 16;
constexpr int kPrimaryEntries = 4;

bool EntryUsed(const uint8_t* entry)
{
    for (size_t k = 0; k < kEntryBytes; ++k)
        if (entry[k] != 0)
            return true;
    return false;
}

}  // namespace

bool HostDriveIsPartitioned(CController& controller, const CHostDrive& drive)
{
    uint8_t sector[kSectorBytes] = {};
    BlockIoRecord r;
    r.controller = static_cast<uint16_t>(controller.index);
    r.hostDrive = static_cast<uint16_t>(drive.hostDriveNumber);
    r.firstBlock = 0;
    r.blockCount = 1;
    r.data = sector;
    r.dataSize = sizeof sector;
    if (ctl_read_blocks(r) != 0)
        return true;
    if (sector[510] != 0x55 || sector[511] != 0xAA)
        return false;
    for (int k = 0; k < kPrimaryEntries; ++k)
        if (EntryUsed(sector + kFirstEntry + kEntryBytes * static_cast<size_t>(k)))
            return true;
    return false;
}
