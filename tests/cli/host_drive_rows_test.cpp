// ostrel -s over host drives of every kind of carrying drive: a RAID-0
// array split in three, a mirror, single disks, a read-only, a cluster and a
// private host drive, and another cluster node's host drive. The emulator's
// scenarios hold no host drive tables, so the configuration is built through
// the model before the tool runs; stdout, stderr and exit code compared whole.
#include "expected_texts.h"
#include "model_controller.h"
#include "session.h"
#include "sim_mount.h"
#include "tool_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Eight disks of 1 GB; drives 0, 1, 6, 7 single disks, 2 and 3 a mirror
// (head 2), 4 and 5 the components of the array to be; host drive 40 of the
// other cluster node. Clustering is off, so new host drives start as plain
// ones rather than private.
const std::string kScenario = R"({"controllers": [
 {"entry": 0, "typeName": "KZM8530RZ", "busSlot": "0x0410", "features": "0x20000001", "clusterBits": 0,
  "channels": [{"kind": 2, "devices": [
    {"target": 0}, {"target": 1}, {"target": 2}, {"target": 3},
    {"target": 4}, {"target": 5}, {"target": 6}, {"target": 7}]}],
  "logicalDrives": [
    {"number": 0, "name": "SINGLE", "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]},
    {"number": 2, "name": "MIRROR", "members": [[0, 2]]}, {"number": 3, "members": [[0, 3]]},
    {"number": 4, "members": [[0, 4]]}, {"number": 5, "members": [[0, 5]]},
    {"number": 6, "members": [[0, 6]]}, {"number": 7, "members": [[0, 7]]}],
  "mirrors": [{"drives": [2, 3]}],
  "foreignHostDrives": [{"number": 40, "carrier": 60, "size": 409600, "name": "REMOTE"}]}
]})";

// Host drive number n of the controller, or null.
CHostDrive* Host(CController& c, int n)
{
    const int h = c.FindHostDrive(n);
    return h < 0 ? nullptr : &c.hostDrives[h];
}

// Builds the host drives: 0 on the single disk, 1 read-only, 2 on the
// mirror, 4 on the array of drives 4 and 5 split in three (4, 41, 42), 6 a
// cluster drive and 7 a private one.
void BuildHostDrives(CController& c)
{
    for (int n : {0, 1, 2, 6, 7}) {
        const int d = c.FindLogicalDrive(n);
        ASSERT_GE(d, 0) << n;
        ASSERT_EQ(c.logDrives[d].CreateHostDrive(n), 1) << "host drive " << n;
    }
    CLogDrive& master = c.logDrives[c.FindLogicalDrive(4)];
    master.AddPendingComponent(c.FindLogicalDrive(5));
    ASSERT_EQ(master.CreateArrayWithHostDrive(RAID_TYPE_0, nullptr, nullptr, 0, 1), 1) << std::hex << c.error;
    // Each split gives the new part the controller's next free number.
    int part = 4;
    for (uint32_t megabytes : {500u, 700u}) {
        ASSERT_NE(Host(c, part), nullptr);
        const int next = c.GetFreeDriveNumber(-1);
        ASSERT_EQ(Host(c, part)->Split(megabytes, 1, 0, 0), 1) << std::hex << Host(c, part)->error;
        part = next;
    }
    ASSERT_NE(Host(c, part), nullptr);
    ASSERT_EQ(Host(c, 1)->SetWriteProtect(1), 1);
    ASSERT_EQ(Host(c, 6)->SetClusterType(1, 1), 1);
    ASSERT_EQ(Host(c, 7)->SetClusterType(2, 1), 1);
}

const std::string kExpected =
    kControllerHeader + "0\tKZM8530RZ\t\t[PCI 4/2]\tC 5 \t2.33.12-R0A1\n" + kDiskHeader +
    "SCSI-A-0\t0\tDrive 0\t\tKZM     VIRTUAL DISK     RW      1024 \n"
    "SCSI-A-1\t0\tDrive 1\t\tKZM     VIRTUAL DISK     RW      1024 \n"
    "SCSI-A-2\t0\tDrive 2\t\tKZM     VIRTUAL DISK     RW      1024 \n"
    "SCSI-A-3\t0\tDrive 3\t\tKZM     VIRTUAL DISK     RW      1024 \n"
    "SCSI-A-4\t0\tDrive 4\t\tKZM     VIRTUAL DISK     RW      1024 \n"
    "SCSI-A-5\t0\tDrive 5\t\tKZM     VIRTUAL DISK     RW      1024 \n"
    "SCSI-A-6\t0\tDrive 6\t\tKZM     VIRTUAL DISK     RW      1024 \n"
    "SCSI-A-7\t0\tDrive 7\t\tKZM     VIRTUAL DISK     RW      1024 \n" +
    kHostDriveHeader +
    "0\tSINGLE \tready\tRW \t 1023   \tDisk\t\tLogic.  0\n"
    "1\t       \tready\tRO\t 1023   \tDisk\t\tLogic.  1\n"
    "2\tMIRROR \tready\tRW \t 1023   \tRAID-1\t\tRAID-1  2\n"
    "4\tRAID0\tready\tRW \t 500   \tRAID-0\t\tArray   4 1/3\n"
    "6\t       \tready\tRW \t 1023   \tDisk/Clu\t\tLogic.  6\n"
    "7\t       \tready\tRW \t 1023   \tDisk/Pri\t\tLogic.  7\n"
    "41\tRAID0\tready\tRW \t 700   \tRAID-0\t\tArray   4 2/3\n"
    "42\tRAID0\tready\tRW \t 846   \tRAID-0\t\tArray   4 3/3\n"
    // The other node's host drive: no local drive carries it.
    "40\tREMOTE\t???\t???\t 200   \t???" "/Clu\t\t???\n";

TEST(HostDriveTable, EveryKindOfCarrier)
{
    SimMount sim(kScenario);
    ASSERT_TRUE(sim.ok());
    {
        ModelController model(sim);
        ASSERT_NE(model.controller(), nullptr);
        BuildHostDrives(*model.controller());
        if (HasFatalFailure())
            return;
    }
    const ToolResult r = RunTool({"-s", "-CTR:0"}, sim.root());
    EXPECT_EQ(r.out, kExpected);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
