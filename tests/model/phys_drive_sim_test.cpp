// CPhysDrive's disk operations end to end over the emulator: surface check,
// initialise, lock, defects, presence, ownership, blocks, identify,
// statistics and the refresh worker.
#include "phys_drive_sim_test.h"

#include "byte_order.h"
#include "ctl_errors.h"
#include "model_errors.h"
#include "pause.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using PhysDriveOpsTest = PhysDriveSimTest;

// Channel 0: a disk that settles on mode 49, a disk in logical drive 0, a
// blank-named disk, a CD-ROM. The surface check shows its start and abort
// two queries late and advances 25 percent a query.
const char* const kPhysDisks = R"({"entry": 0, "profile": "new", "surfaceCheck": {"step": 25, "delay": 2},
    "channels": [{"kind": 2, "ownId": 7, "devices": [
        {"target": 0, "grownDefects": 3, "primaryDefects": 120, "modeFor17": 49, "capacity": 1000},
        {"target": 1, "vendor": "ABC", "product": ""},
        {"target": 2, "vendor": "", "product": ""},
        {"target": 3, "type": 5, "vendor": "KZM", "product": "CD-ROM"}]}],
    "logicalDrives": [{"number": 0, "name": "D0", "members": [[0, 1]]}]})";

constexpr uint32_t kInUse = CTLERR_CONTROLLER + 0x0008;
constexpr uint32_t kNotReady = CTLERR_CONTROLLER + 0x000A;

// Runs progress queries until one returns 0; how many returned 1.
int QueryUntilEnd(CPhysDrive& d, ProgressRequest& r)
{
    int running = 0;
    r.operation = PROGRESS_QUERY;
    while (d.CheckSurface(&r) == 1 && running < 100)
        ++running;
    return running;
}

}  // namespace

TEST_F(PhysDriveOpsTest, SurfaceCheckRunsToTheEndAndReportsItsErrors)
{
    CController* c = Scanned(kPhysDisks);
    ASSERT_NE(c, nullptr);
    CPhysDrive& d = c->physDrives[0];
    EXPECT_EQ(d.GetProgress(), SURFACE_NONE);

    ProgressRequest r;
    r.operation = PROGRESS_ABORT;
    EXPECT_EQ(d.CheckSurface(&r), 0);  // nothing runs
    EXPECT_EQ(d.error, MODERR_ACTIVE_STATE);
    r.operation = 4;
    EXPECT_EQ(d.CheckSurface(&r), 0);
    EXPECT_EQ(d.error, MODERR_BAD_PARAMETER);

    // The start shows two queries late: the start waits for it.
    r.operation = PROGRESS_START;
    ASSERT_EQ(d.CheckSurface(&r), 1) << std::hex << d.error;
    EXPECT_EQ(d.GetProgress(), 0);
    EXPECT_EQ(r.percent, 0);
    EXPECT_EQ(d.CheckSurface(&r), 0);  // already running
    EXPECT_EQ(d.error, MODERR_ACTIVE_STATE);

    EXPECT_EQ(QueryUntilEnd(d, r), 3);  // 25, 50, 75
    EXPECT_EQ(d.error, MODERR_ACTIVE_STATE);
    EXPECT_EQ(d.GetProgress(), SURFACE_FINISHED);
    EXPECT_EQ(r.percent, 100);
    EXPECT_EQ(r.state, 0);

    // A second check finds 3 errors; every later query reports them again.
    ASSERT_TRUE(sim_->control("surface 0 0 0 3 7"));
    r.operation = PROGRESS_START;
    ASSERT_EQ(d.CheckSurface(&r), 1);
    EXPECT_EQ(QueryUntilEnd(d, r), 3);
    EXPECT_EQ(d.error, MODERR_ACTIVE_STATE);
    EXPECT_EQ(d.GetProgress(), SURFACE_FINISHED_ERRORS);
    EXPECT_EQ(r.state, 3);
    EXPECT_EQ(r.value, 7u);
    EXPECT_EQ(d.CheckSurface(&r), 0);
    EXPECT_EQ(d.error, MODERR_ACTIVE_STATE);
    EXPECT_EQ(d.GetProgress(), SURFACE_FINISHED_ERRORS);

    // A disk of a logical drive is refused by the controller.
    r.operation = PROGRESS_START;
    EXPECT_EQ(c->physDrives[1].CheckSurface(&r), 0);
    EXPECT_EQ(c->physDrives[1].error, kInUse);
}

TEST_F(PhysDriveOpsTest, AbortedSurfaceCheckWaitsForTheEnd)
{
    CController* c = Scanned(kPhysDisks);
    ASSERT_NE(c, nullptr);
    CPhysDrive& d = c->physDrives[2];
    ProgressRequest r;
    r.operation = PROGRESS_START;
    ASSERT_EQ(d.CheckSurface(&r), 1);
    r.operation = PROGRESS_QUERY;
    ASSERT_EQ(d.CheckSurface(&r), 1);
    EXPECT_EQ(r.percent, 25);
    r.operation = PROGRESS_ABORT;
    ASSERT_EQ(d.CheckSurface(&r), 1) << std::hex << d.error;
    EXPECT_EQ(d.GetProgress(), SURFACE_ABORTED);
    EXPECT_EQ(r.percent, 100);
    EXPECT_EQ(Logged(0x20000018), 1u);
    // The rescan keeps an aborted check's progress.
    ASSERT_EQ(c->ScanDevices(), 1);
    EXPECT_EQ(c->physDrives[2].GetProgress(), SURFACE_ABORTED);
}

TEST_F(PhysDriveOpsTest, InitializeSendsTheParametersAndReadsModeSeventeenBack)
{
    struct Case {
        const char* name;
        int device;
        uint8_t mode;
        uint8_t format;
        size_t sends;
        uint8_t modeAfter;
        uint8_t formatSent;
    };
    const Case cases[] = {
        {"mode 17 settling on 49", 0, 17, 2, 2, 49, 2},
        {"mode 17 kept", 2, 17, 1, 1, 17, 1},
        {"format 0 sent as 2", 2, 0x11, 0, 1, 0x11, 2},
        {"format 3 sent as 2", 2, 0x11, 3, 1, 0x11, 2},
    };
    CController* c = Scanned(kPhysDisks);
    ASSERT_NE(c, nullptr);
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        CPhysDrive& d = c->physDrives[k.device];
        const size_t before = Logged(0x20000002);
        DiskParameters p;
        p.transferMode = k.mode;
        p.disconnect = 1;
        p.syncTransfer = 1;
        p.cacheBits = 0x14;
        p.transferRate = 40000;
        p.diskFormat = k.format;
        ASSERT_EQ(d.Initialize(&p), 1) << std::hex << d.error;
        EXPECT_EQ(p.transferMode, k.modeAfter);
        const auto sent = LoggedRecords(0x20000002);
        ASSERT_EQ(sent.size(), before + k.sends);
        const uint8_t* rec = sent.back().data() + kLoggedData;
        EXPECT_EQ(rec[DEVINFO_TRANSFER_MODE], k.modeAfter);
        EXPECT_EQ(rec[DEVINFO_FORMAT], k.formatSent);
        EXPECT_EQ(rec[DEVINFO_INITIALISED], 0);
        EXPECT_EQ(wire::get32(rec, DEVINFO_RATE_SETTING), 40000u);
        // The disk re-read itself.
        EXPECT_EQ(d.info[DEVINFO_TRANSFER_MODE], k.modeAfter);
        EXPECT_EQ(d.info[DEVINFO_FORMAT], k.formatSent);
        EXPECT_EQ(d.info[DEVINFO_INITIALISED], 1);
    }
}

TEST_F(PhysDriveOpsTest, DeviceNameDropsTrailingBlanksButNeverTheFirstCharacter)
{
    CController* c = Scanned(kPhysDisks);
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(DeviceName(c->physDrives[1]), "ABC");
    EXPECT_STREQ(DeviceName(c->physDrives[2]), " ");
    EXPECT_STREQ(DeviceName(c->physDrives[3]), "KZM     CD-ROM");
}

TEST_F(PhysDriveOpsTest, LockUnlockAndDeinitializeChangeTheDisk)
{
    CController* c = Scanned(kPhysDisks);
    ASSERT_NE(c, nullptr);
    CPhysDrive& d = c->physDrives[0];
    ASSERT_EQ(d.Lock(), 1);
    EXPECT_EQ(d.info[DEVINFO_LOCKED], 1);
    EXPECT_EQ(d.Lock(), 0);
    EXPECT_EQ(d.error, kInUse);
    ASSERT_EQ(d.Unlock(), 1);
    EXPECT_EQ(d.info[DEVINFO_LOCKED], 0);

    ASSERT_EQ(d.ReadOwnership(), 1);
    EXPECT_EQ(wire::get32(d.GetOwnership(), OWNERSHIP_SERIAL), c->SerialNumber());
    ASSERT_EQ(d.Deinitialize(), 1);
    EXPECT_EQ(d.info[DEVINFO_INITIALISED], 0);
    ASSERT_EQ(d.ReadOwnership(), 1);
    EXPECT_EQ(wire::get32(d.GetOwnership(), OWNERSHIP_SERIAL), 0u);

    EXPECT_EQ(c->physDrives[1].Deinitialize(), 0);  // a disk of a logical drive
    EXPECT_EQ(c->physDrives[1].error, kInUse);
    EXPECT_EQ(c->physDrives[1].info[DEVINFO_INITIALISED], 1);
    EXPECT_EQ(c->physDrives[3].Lock(), 0);  // not a disk
    EXPECT_EQ(c->physDrives[3].error, CTLERR_CONTROLLER + 0x0006);
}

TEST_F(PhysDriveOpsTest, DefectCountsOnlyForReadyDisks)
{
    CController* c = Scanned(kPhysDisks);
    ASSERT_NE(c, nullptr);
    CPhysDrive& d = c->physDrives[0];
    EXPECT_EQ(d.GetGrownDefects(), 3u);
    EXPECT_EQ(d.GetPrimaryDefects(), 120u);
    size_t asked = Logged(0x20000015);
    EXPECT_EQ(asked, 2u);
    EXPECT_EQ(c->physDrives[3].GetGrownDefects(), 0u);  // a CD-ROM: no request

    ASSERT_TRUE(sim_->control("fail 0 0 0"));
    ASSERT_EQ(d.Refresh(), 1);
    EXPECT_EQ(d.info[DEVINFO_READY], 0);
    EXPECT_EQ(d.GetPrimaryDefects(), 0u);
    EXPECT_EQ(Logged(0x20000015), asked);
    uint8_t block[DISK_BLOCK];
    EXPECT_EQ(d.ReadBlocks(0, 1, block), 0);
    EXPECT_EQ(d.error, kNotReady);

    ASSERT_TRUE(sim_->control("restore 0 0 0"));
    ASSERT_EQ(d.Refresh(), 1);
    EXPECT_EQ(d.GetGrownDefects(), 3u);
}

TEST_F(PhysDriveOpsTest, PresenceFollowsPullAndInsert)
{
    CController* c = Scanned(kPhysDisks);
    ASSERT_NE(c, nullptr);
    CPhysDrive& d = c->physDrives[2];
    int present = -1;
    ASSERT_EQ(d.IsPresent(&present), 1);
    EXPECT_EQ(present, 1);
    ASSERT_TRUE(sim_->control("pull 0 0 2"));
    ASSERT_EQ(d.IsPresent(&present), 1);
    EXPECT_EQ(present, 0);
    ASSERT_TRUE(sim_->control("insert 0 0 2 5000 512"));
    ASSERT_EQ(d.IsPresent(&present), 1);
    EXPECT_EQ(present, 1);
    // The new disk waits to be initialised; a scan of its channel finds it.
    ASSERT_EQ(c->RescanChannel(0, 1), 1) << std::hex << c->error;
    const CPhysDrive& fresh = c->physDrives[c->FindPhysDrive(0, 2, 0)];
    EXPECT_EQ(fresh.info[DEVINFO_INITIALISED], 0);
    EXPECT_EQ(wire::get32(fresh.info, DEVINFO_CAPACITY), 5000u);
}

TEST_F(PhysDriveOpsTest, ReadBlocksAsksForWhatFitsOneRequest)
{
    CController* c = Scanned(kPhysDisks);
    ASSERT_NE(c, nullptr);
    CPhysDrive& d = c->physDrives[0];
    std::vector<uint8_t> buf(128 * DISK_BLOCK, 0xEE);
    ASSERT_EQ(d.ReadBlocks(10, 2, buf.data()), 1) << std::hex << d.error;
    EXPECT_EQ(wire::get32(buf.data(), 0), 10u);
    EXPECT_EQ(wire::get32(buf.data(), DISK_BLOCK), 11u);
    EXPECT_EQ(buf[2 * DISK_BLOCK], 0xEE);  // nothing past the blocks asked for
    const auto sent = LoggedRecords(0x20000027);
    ASSERT_EQ(sent.size(), 1u);
    const uint8_t* req = sent[0].data() + kLoggedData;
    EXPECT_EQ(sent[0].size(), 528 + 2 * DISK_BLOCK + BLOCKREAD_HEAD);
    EXPECT_EQ(wire::get32(req, BLOCKREAD_FIRST), 10u);
    EXPECT_EQ(wire::get32(req, BLOCKREAD_COUNT), 2u);
    EXPECT_EQ(req[BLOCKREAD_FLAGS], 1);

    EXPECT_EQ(d.ReadBlocks(0, 127, buf.data()), 1);
    EXPECT_EQ(d.ReadBlocks(0, 128, buf.data()), 0);  // its size would not fit 16 bits
    EXPECT_EQ(d.error, MODERR_BAD_PARAMETER);
    EXPECT_EQ(d.ReadBlocks(999, 2, buf.data()), 0);  // past the end of the disk
    EXPECT_EQ(d.error, CTLERR_CONTROLLER + 0x0007);
    EXPECT_EQ(d.ReadBlocks(0, 0, buf.data()), 1);
    EXPECT_EQ(Logged(0x20000027), 3u);
    EXPECT_EQ(c->physDrives[3].ReadBlocks(0, 1, buf.data()), 0);
    EXPECT_EQ(c->physDrives[3].error, MODERR_NOT_SUPPORTED);
}

TEST_F(PhysDriveOpsTest, IdentifyDeviceByteAndTransferRates)
{
    CController* c = Scanned(kPhysDisks);
    ASSERT_NE(c, nullptr);
    CPhysDrive& d = c->physDrives[2];
    ASSERT_EQ(d.Identify(), 1) << std::hex << d.error;
    const auto sent = LoggedRecords(0x20000054);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][kLoggedData + IDENTIFY_ENTRY + 1], 2);

    ASSERT_EQ(d.WriteDeviceByte(0x5A), 1);
    ASSERT_EQ(d.Refresh(), 1);
    EXPECT_EQ(d.info[59], 0x5A);

    EXPECT_EQ(d.GetTransferRateCode(), 14);  // 80000 kB/s
    const size_t sends = Logged(0x20000002);
    EXPECT_EQ(d.SetTransferRate(15), 0);
    EXPECT_EQ(Logged(0x20000002), sends);
    ASSERT_EQ(d.SetTransferRate(5), 1);
    EXPECT_EQ(wire::get32(d.info, DEVINFO_RATE_SETTING), 5700u);
    ASSERT_EQ(d.SetTransferRate(0), 1);
    EXPECT_EQ(d.GetTransferRateCode(), 0);
    ASSERT_EQ(d.SetDiskCache(1), 1);
    EXPECT_EQ(d.info[DEVINFO_CACHE], DISK_CACHE_ON);
    ASSERT_EQ(d.SetTaggedQueues(0), 1);
    EXPECT_EQ(d.info[DEVINFO_TAGGED], 0);
    ASSERT_EQ(d.SetDisconnect(0), 1);
    EXPECT_EQ(d.info[DEVINFO_DISCONNECT], 0);
}

TEST_F(PhysDriveOpsTest, StatisticsCorrectAnEarlyWrapOnlyWithATickDivider)
{
    CController* c = Scanned(kPhysDisks);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->GetFamily(FAMILY_MODE_FAMILY), 36);
    CPhysDrive& d = c->physDrives[0];
    const uint32_t divider = wire::get32(c->boardDetails, BOARD_DETAILS_TICK_DIVIDER);
    ASSERT_NE(divider, 0u);

    DiskStatSample s;
    s.time = 0xFFFF0000;
    d.UpdateStatistics(&s, 1);
    s.time = 0xFFFF0000 + 5000;  // no wrap: 5000 ticks
    d.UpdateStatistics(&s, 0);
    EXPECT_EQ(d.GetSample(DISK_SAMPLE_CURRENT)->milliseconds, 5u);
    EXPECT_EQ(d.GetSample(DISK_SAMPLE_PREVIOUS)->milliseconds, 0u);
    const uint32_t last = s.time;
    s.time = 100;  // wrapped early
    d.UpdateStatistics(&s, 0);
    const uint32_t delta = 100 + (0xFFFFFFFFu / divider) * 8 - last;
    EXPECT_EQ(d.GetSample(DISK_SAMPLE_CURRENT)->milliseconds, delta / 1000 + 5);

    // Without a divider the correction is skipped rather than dividing by zero.
    wire::put32(c->boardDetails, BOARD_DETAILS_TICK_DIVIDER, 0);
    s.time = 50;
    d.UpdateStatistics(&s, 0);
    EXPECT_EQ(d.GetSample(DISK_SAMPLE_CURRENT)->milliseconds, (50u - 100u) / 1000 + delta / 1000 + 5);
    EXPECT_EQ(d.GetSample(DISK_SAMPLE_BASE)->time, 0xFFFF0000u);
}

TEST_F(PhysDriveOpsTest, AutoRefreshRunsOneWorkerThatRefreshes)
{
    CController* c = Scanned(kPhysDisks);
    ASSERT_NE(c, nullptr);
    CPhysDrive& d = c->physDrives[0];
    EXPECT_EQ(d.SetAutoRefresh(0), 1);  // nothing to stop
    EXPECT_EQ(d.threads[0].running, 0);
    const size_t before = Logged(0x20000000);
    ASSERT_EQ(d.SetAutoRefresh(1), 1);
    ASSERT_EQ(d.SetAutoRefresh(1), 1);
    int live = 0;
    for (int i = 0; i < d.threads.count; ++i)
        live += d.threads[i].running;
    EXPECT_EQ(live, 1);
    EXPECT_EQ(d.GetRefreshInterval(), 1);
    // The worker's refreshes reach the controller.
    for (int i = 0; i < 60 && Logged(0x20000000) < before + 2; ++i)
        ModelPauseMs(100);
    EXPECT_GE(Logged(0x20000000), before + 2);
    EXPECT_EQ(d.SetAutoRefresh(0), 1);
    EXPECT_EQ(d.threads[0].running, 0);
}
