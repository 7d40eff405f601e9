// The disk position text and the physical disk row on a controller object
// built in memory: channel kinds, the second-loop mark, and a device whose
// channel has no record on the controller.
#include "disk_position.h"
#include "status_display.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A controller with a SCSI, a Fibre Channel and a SATA channel.
CController ThreeChannels()
{
    CController c;
    c.info.channelCount = 3;
    const struct {
        uint8_t kind;
        const char* name;
    } channels[] = {{CHANNEL_KIND_SCSI, "SCSI-A"}, {CHANNEL_KIND_FC, "FCAL-B"}, {CHANNEL_KIND_SATA, "SATA"}};
    for (int i = 0; i < 3; ++i) {
        c.channels[i].kind = channels[i].kind;
        std::strncpy(c.channels[i].name, channels[i].name, sizeof c.channels[i].name - 1);
    }
    return c;
}

// A ready disk, no drive using it, of 2048 MB.
CPhysDrive Disk(int channel, int targetId, uint8_t secondLoop = 0)
{
    CPhysDrive d;
    d.channel = channel;
    d.targetId = targetId;
    d.lun = 0;
    d.info[DEVINFO_READY] = 1;
    d.info[DEVINFO_LOG_DRIVE] = 0xFF;
    d.info[DEVINFO_LOG_DRIVE + 1] = 0xFF;
    d.info[DEVINFO_CAPACITY + 2] = 0x40;  // 0x400000 sectors
    std::memset(d.info + DEVINFO_VENDOR, 'V', DEVINFO_VENDOR_SIZE + DEVINFO_PRODUCT_SIZE);
    d.info[80] = secondLoop;
    return d;
}

TEST(DiskRows, PositionAndRow)
{
    const CController c = ThreeChannels();
    const std::string vv(DEVINFO_VENDOR_SIZE + DEVINFO_PRODUCT_SIZE, 'V');
    const std::string tail = "\t0\tFree\t\t" + vv + " RW      2048 \n";
    const struct {
        int channel;
        int target;
        uint8_t secondLoop;
        std::string position;
        std::string row;
    } cases[] = {
        {0, 5, 0, "SCSI-A-5", "SCSI-A-5" + tail},
        {0, 5, 1, "SCSI-A-5", "SCSI-A-5" + tail},  // the mark is Fibre Channel's only
        {1, 1, 0, "FCAL-B-1", "FCAL-B-1" + tail},
        {1, 1, 1, "FCAL-B-1", "FCAL-*-1" + tail},
        {2, 2, 0, "SATA-C-2", "SATA-C-2" + tail},
        {3, 4, 0, "", "???" + tail},               // past the controller's channels
        {-1, 4, 0, "", "???" + tail},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.row);
        const CPhysDrive d = Disk(k.channel, k.target, k.secondLoop);
        EXPECT_EQ(DiskPositionText(c, d), k.position);
        testing::internal::CaptureStdout();
        ShowPhysicalDiskRow(c, d);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), k.row);
    }
}

}  // namespace
