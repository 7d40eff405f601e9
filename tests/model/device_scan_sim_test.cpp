// CController::ScanDevices and FindPhysDrive end to end over the emulator.
#include "byte_order.h"
#include "ctl_errors.h"
#include "phys_drive_sim_test.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using DeviceScanSimTest = PhysDriveSimTest;

// A disk's expected links: the enclosure processor (by its target on the
// same channel, -1 none) and slot, the enclosure configuration and its slot.
struct DiskLinks {
    int channel;
    int target;
    int enclosureTarget;
    int enclosureSlot;
    int configId;
    int configSlot;
};

struct ScanCase {
    const char* name;
    const char* controller;
    std::vector<const char*> positions;   // list order
    std::vector<int> usable;              // per channel
    bool enclosureRequests;               // the board reports enclosure support
    bool ownIdsInPage;                    // family 37
    std::vector<DiskLinks> links;
};

const ScanCase kScanCases[] = {
    {"old firmware, second channel unusable",
     R"({"entry": 0, "profile": "old", "class": "0x86", "channels": [
         {"kind": 2, "ownId": 7, "devices": [{"target": 0}, {"target": 1}]},
         {"kind": 2, "ownId": 6, "info": 1, "devices": [{"target": 2}]}]})",
     {"0", "1", "7", "2", "6"}, {1, 0}, false, false,
     {{0, 0, -1, -1, -1, -1}, {1, 2, -1, -1, -1, -1}}},
    {"middle firmware with an enclosure processor and a configuration",
     R"({"entry": 0, "profile": "middle", "enclosureConfigs": [
           {"vendor": "KZM", "name": "SHELF", "slots": [[1, 3, 4]]}],
         "channels": [
         {"kind": 2, "ownId": 7, "devices": [{"target": 0}, {"target": 1},
             {"target": 6, "type": 3, "product": "ENCLOSURE", "enclosure": {"slots": [0, 1, 2]}}]},
         {"kind": 2, "ownId": 7, "devices": [{"target": 3}]},
         {"kind": 2, "ownId": 7}]})",
     {"0", "1", "6", "7", "3", "7", "7"}, {1, 1, 1}, true, false,
     {{0, 0, 6, 0, -1, -1}, {0, 1, 6, 1, -1, -1}, {1, 3, -1, -1, 0, 4}}},
    {"new firmware of family 37 on SCSI, Fibre Channel and SATA",
     R"({"entry": 0, "profile": "new", "class": "0xFE", "subtype": "0x6200", "channels": [
         {"kind": 2, "ownId": 5, "devices": [{"target": 0}]},
         {"kind": 3, "ownId": 1, "devices": [{"target": 4}]},
         {"kind": 4, "ownId": 0, "devices": [{"target": 0}]}]})",
     {"0", "5", "4", "1", "C:0", "C"}, {1, 1, 1}, true, true,
     {{0, 0, -1, -1, -1, -1}, {1, 4, -1, -1, -1, -1}, {2, 0, -1, -1, -1, -1}}},
};

}  // namespace

TEST_F(DeviceScanSimTest, ScanListsDevicesProcessorsAndLinksOnEveryProfile)
{
    for (const ScanCase& k : kScanCases) {
        SCOPED_TRACE(k.name);
        CController* c = OpenController(k.controller);
        ASSERT_NE(c, nullptr);
        uint8_t pageBefore[CONFIG_PAGE_SIZE];
        std::memcpy(pageBefore, c->configPageA, sizeof pageBefore);
        ASSERT_EQ(c->ScanDevices(), 1) << std::hex << c->error;
        EXPECT_EQ(c->error, 0u);

        ASSERT_EQ(c->physDrives.count, static_cast<int>(k.positions.size()));
        for (int i = 0; i < c->physDrives.count; ++i)
            EXPECT_STREQ(c->physDrives[i].GetPosition(), k.positions[i]) << "entry " << i;
        for (size_t ch = 0; ch < k.usable.size(); ++ch) {
            EXPECT_EQ(c->channels[ch].usable, k.usable[ch]) << "channel " << ch;
            // The channel's last entry is its I/O processor, with the controller's own ID.
            int last = -1;
            for (int i = 0; i < c->physDrives.count; ++i)
                if (c->physDrives[i].channel == static_cast<int>(ch))
                    last = i;
            ASSERT_GE(last, 0);
            EXPECT_EQ(c->physDrives[last].DeviceType(), DEVICE_TYPE_IO_PROCESSOR);
            if (k.ownIdsInPage) {
                EXPECT_EQ(c->configPageA[16 + ch], c->physDrives[last].targetId);
            }
        }
        if (!k.ownIdsInPage) {
            EXPECT_EQ(std::memcmp(pageBefore, c->configPageA, sizeof pageBefore), 0);
        }
        EXPECT_EQ(Logged(0x20000) > 0, k.enclosureRequests);

        for (const DiskLinks& l : k.links) {
            SCOPED_TRACE("disk " + std::to_string(l.channel) + ":" + std::to_string(l.target));
            const int i = At(*c, l.channel, l.target);
            ASSERT_GE(i, 0);
            const CPhysDrive& d = c->physDrives[i];
            const int enclosure = l.enclosureTarget < 0 ? -1 : At(*c, l.channel, l.enclosureTarget);
            EXPECT_EQ(d.enclosureIndex, enclosure);
            EXPECT_EQ(d.enclosureSlot, l.enclosureSlot);
            EXPECT_EQ(d.enclosureConfigId, l.configId);
            EXPECT_EQ(d.enclosureConfigSlot, l.configSlot);
            EXPECT_EQ(d.DeviceType(), DEVICE_TYPE_DISK);
        }
        TearDown();
        sim_.reset();
    }
}

TEST_F(DeviceScanSimTest, TheIoProcessorOfSataChannelOneShowsOnlyItsLetter)
{
    CController* c = Scanned(R"({"entry": 0, "profile": "new", "channels": [
        {"kind": 4, "ownId": 0, "devices": [{"target": 0}]},
        {"kind": 4, "ownId": 0, "devices": [{"target": 0}]},
        {"kind": 2, "ownId": 7, "devices": [{"target": 0}]}]})");
    ASSERT_NE(c, nullptr);
    const char* const positions[] = {"A:0", "A", "B:0", "B", "0", "7"};
    ASSERT_EQ(c->physDrives.count, 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_STREQ(c->physDrives[i].GetPosition(), positions[i]) << "entry " << i;
    const CPhysDrive& iop = c->physDrives[3];
    EXPECT_EQ(iop.IsOnSataChannel(), 1);
    EXPECT_EQ(c->physDrives[2].IsOnSataChannel(), 1);
    EXPECT_EQ(c->physDrives[4].IsOnSataChannel(), 0);
    EXPECT_STREQ(DeviceName(iop), "SATA I/O Processor");
    EXPECT_STREQ(DeviceName(c->physDrives[5]), "SCSI I/O Processor");
    EXPECT_EQ(iop.targetId, 0);
    EXPECT_EQ(iop.lun, 0);
    int present = 0;
    const size_t asked = Logged(0x20000025);
    EXPECT_EQ(c->physDrives[3].IsPresent(&present), 1);
    EXPECT_EQ(present, 1);
    EXPECT_EQ(Logged(0x20000025), asked);  // the I/O processor is present without a request
}

TEST_F(DeviceScanSimTest, RescanKeepsSamplesAndProgressOfDevicesFoundAgain)
{
    CController* c = Scanned(R"({"entry": 0, "profile": "new", "channels": [
        {"kind": 2, "ownId": 7, "devices": [{"target": 2}, {"target": 5}]},
        {"kind": 2, "ownId": 5, "devices": [{"target": 5}]}]})");
    ASSERT_NE(c, nullptr);
    // (0, 5, 0) is the disk of channel 0, never channel 1's disk or its I/O processor with ID 5.
    const int k = c->FindPhysDrive(0, 5, 0);
    ASSERT_EQ(k, 1);
    EXPECT_EQ(c->FindPhysDrive(1, 5, 0), 3);
    EXPECT_EQ(c->FindPhysDrive(0, 7, 0), 2);
    EXPECT_EQ(c->FindPhysDrive(0, 5, 1), -1);

    DiskStatSample s;
    s.time = 1234;
    s.counters[3] = 99;
    c->physDrives[k].UpdateStatistics(&s, 1);
    c->physDrives[k].SetProgress(40);

    ASSERT_TRUE(sim_->control("pull 0 0 2"));
    ASSERT_EQ(c->ScanDevices(), 1);
    ASSERT_EQ(c->physDrives.count, 4);
    const int again = c->FindPhysDrive(0, 5, 0);
    ASSERT_EQ(again, 0);
    const CPhysDrive& d = c->physDrives[again];
    EXPECT_EQ(d.deviceIndex, 0);
    for (int n = 0; n < DISK_SAMPLES; ++n) {
        EXPECT_EQ(d.GetSample(n)->time, 1234u);
        EXPECT_EQ(d.GetSample(n)->counters[3], 99u);
    }
    // A check seen running has ended since: the device shows none running, no errors.
    EXPECT_EQ(d.GetProgress(), SURFACE_FINISHED);
    EXPECT_EQ(c->FindPhysDrive(0, 2, 0), -1);

    ASSERT_TRUE(sim_->control("pull 0 0 5"));
    ASSERT_EQ(c->ScanDevices(), 1);
    EXPECT_EQ(c->FindPhysDrive(0, 5, 0), -1);
    EXPECT_EQ(c->FindPhysDrive(1, 5, 0), 1);
}

TEST_F(DeviceScanSimTest, ADiskPulledSinceTheScanFailsItsRefreshAndKeepsItsInfo)
{
    CController* c = Scanned(R"({"entry": 0, "profile": "new", "channels": [
        {"kind": 2, "ownId": 7, "devices": [{"target": 0, "product": "FIRST"}, {"target": 1, "product": "SECOND"}]}]})");
    ASSERT_NE(c, nullptr);
    CPhysDrive& first = c->physDrives[0];
    CPhysDrive& second = c->physDrives[1];
    uint8_t before[DEVINFO_SIZE];
    std::memcpy(before, second.info, sizeof before);

    // The last disk leaves: its position no longer resolves.
    ASSERT_TRUE(sim_->control("pull 0 0 1"));
    EXPECT_EQ(second.Refresh(), 0);
    EXPECT_EQ(second.error, CTLERR_NOT_AVAILABLE);
    EXPECT_EQ(std::memcmp(before, second.info, sizeof before), 0);

    // The first leaves and the second comes back in its place: the position now names another disk.
    ASSERT_TRUE(sim_->control("insert 0 0 1"));
    ASSERT_EQ(c->RescanChannel(0, 0), 1);
    ASSERT_TRUE(sim_->control("pull 0 0 0"));
    std::memcpy(before, first.info, sizeof before);
    EXPECT_EQ(first.Refresh(), 0);
    EXPECT_EQ(first.error, CTLERR_NOT_AVAILABLE);
    EXPECT_EQ(std::memcmp(before, first.info, sizeof before), 0);
    EXPECT_STREQ(DeviceName(first), "KZM     FIRST");
}
