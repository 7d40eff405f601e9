// The disk position text and the physical disk row on a controller object
// built in memory: channel kinds, the second-loop mark, and a device whose
// channel has no record on the controller. The host drive row on the same
// kind of object: names filling their field, carrying drives, mirrors and
// arrays that lie outside the controller's lists.
#include "disk_position.h"
#include "status_display.h"

#include <gtest/gtest.h>

#include <cstdio>
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

// Logical drive 0 a single disk; drive 4 the master of array 4 (index 0)
// and drive 6 the head of mirror 6 (index 0), each with its texts.
CController WithDrives()
{
    CController c;
    const struct {
        int number;
        int mirrorIndex;
        int arrayIndex;
    } drives[] = {{0, -1, -1}, {4, -1, 0}, {6, 0, -1}};
    EXPECT_TRUE(c.logDrives.SetSize(3));
    for (int i = 0; i < 3; ++i) {
        CLogDrive& d = c.logDrives[i];
        d.driveNumber = drives[i].number;
        d.mirrorIndex = drives[i].mirrorIndex;
        d.arrayIndex = drives[i].arrayIndex;
        std::snprintf(d.stateText, sizeof d.stateText, "ready");
        std::snprintf(d.attributeText, sizeof d.attributeText, "RW ");
        std::snprintf(d.kindText, sizeof d.kindText, "Disk");
    }
    EXPECT_TRUE(c.arrayDrives.SetSize(1));
    c.arrayDrives[0].arrayNumber = 4;
    std::snprintf(c.arrayDrives[0].stateText, sizeof c.arrayDrives[0].stateText, "build");
    std::snprintf(c.arrayDrives[0].attributeText, sizeof c.arrayDrives[0].attributeText, "RW ");
    std::snprintf(c.arrayDrives[0].typeText, sizeof c.arrayDrives[0].typeText, "RAID-5");
    EXPECT_TRUE(c.mirrorDrives.SetSize(1));
    c.mirrorDrives[0].mirrorNumber = 6;
    std::snprintf(c.mirrorDrives[0].stateText, sizeof c.mirrorDrives[0].stateText, "ready");
    std::snprintf(c.mirrorDrives[0].typeText, sizeof c.mirrorDrives[0].typeText, "RAID-1");
    return c;
}

TEST(HostDriveRows, CarriersAndBoundaries)
{
    const struct {
        const char* what;
        int carrierIndex;
        int carrierWord;
        int mirrorIndex;  // overrides drive 6's mirror index when not -1
        int arrayIndex;   // overrides drive 4's array index when not -1
        uint8_t attributes;
        uint8_t clusterType;
        int position;
        int count;
        std::string row;
    } cases[] = {
        {"single disk", 0, 0, -1, -1, 0, 0, 0, 1, "7\tABCDEFGH\tready\tRW \t 100   \tDisk\t\tLogic.  0\n"},
        {"second of three on array 4", 1, 16, -1, -1, 0, 1, 1, 3,
         "7\tABCDEFGH\tbuild\tRW \t 100   \tRAID-5/Clu\t\tArray   4 2/3\n"},
        {"read-only on mirror 6", 2, 1, -1, -1, 2, 2, 0, 1,
         "7\tABCDEFGH\tready\tRO\t 100   \tRAID-1/Pri\t\tRAID-1  6\n"},
        // Read only shows whatever carries the host drive.
        {"read-only without a carrying drive", -1, 0, -1, -1, 2, 0, 0, 1,
         "7\tABCDEFGH\t???\tRO\t 100   \t???\t\t???\n"},
        {"carrying drive past the list", 3, 0, -1, -1, 0, 0, 0, 1,
         "7\tABCDEFGH\t???\t???\t 100   \t???\t\t???\n"},
        {"array past the list", 1, 16, -1, 5, 0, 0, 0, 1, "7\tABCDEFGH\t???\t???\t 100   \t???\t\t???\n"},
        {"mirror past the list", 2, 1, 5, -1, 0, 0, 0, 1, "7\tABCDEFGH\t???\t???\t 100   \t???\t\t???\n"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        CController c = WithDrives();
        if (k.mirrorIndex != -1)
            c.logDrives[2].mirrorIndex = k.mirrorIndex;
        if (k.arrayIndex != -1)
            c.logDrives[1].arrayIndex = k.arrayIndex;
        CHostDrive h;
        h.hostDriveNumber = 7;
        std::memcpy(h.entry.name, "ABCDEFGH", sizeof h.entry.name);  // the whole field, no NUL
        h.entry.sectors = 100 * 2048 + 2047;
        h.entry.attributes = k.attributes;
        h.carrierWord = k.carrierWord;
        h.carrierIndex = k.carrierIndex;
        h.cluster.type = k.clusterType;
        h.position = k.position;
        h.hostDriveCount = k.count;
        testing::internal::CaptureStdout();
        ShowHostDriveRow(c, h);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), k.row);
    }
}

}  // namespace
