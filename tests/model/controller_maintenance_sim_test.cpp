// Configuration access end to end over the mounted emulator: Maintenance
// Mode and host drive locks by firmware level, a holder outside the program,
// the nested access, the disk change bracket, rescans, load all and the
// announcements to the operating system.
#include "byte_order.h"
#include "controller.h"
#include "ctl_commands.h"
#include "ctl_driver_requests.h"
#include "ctl_errors.h"
#include "model_errors.h"
#include "phys_drive_sim_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

class MaintenanceSimTest : public PhysDriveSimTest {
protected:
    // One controller of `profile` with disks at targets 0 and 1 of its first channel.
    CController* Open(const std::string& profile, const std::string& extra = "")
    {
        return OpenController(R"({"entry": 0, "profile": ")" + profile + R"(")" + extra + "}");
    }

    // {key, target, status} of every command logged from line `from` on.
    struct Sent {
        uint32_t key, target, status;
        bool operator==(const Sent&) const = default;
    };
    std::vector<Sent> SentSince(size_t from) const
    {
        std::vector<Sent> out;
        const std::vector<std::string> log = sim_->log();
        for (size_t i = from; i < log.size(); ++i) {
            std::vector<std::string> f;
            std::stringstream in(log[i]);
            for (std::string field; std::getline(in, field, '\t');)
                f.push_back(field);
            out.push_back({static_cast<uint32_t>(std::stoul(f[5], nullptr, 16)),
                           static_cast<uint32_t>(std::stoul(f[6], nullptr, 16)),
                           static_cast<uint32_t>(std::stoul(f[9], nullptr, 16))});
        }
        return out;
    }

    std::string State() const { return sim_->readFile("kzmsim/state"); }
};

constexpr const char* kMaintenanceDisks =
    R"(, "channels": [{"kind": 2, "ownId": 7, "devices": [{"target": 0}, {"target": 1}]}])";

struct ProfileCase {
    const char* profile;
    int hostDrive;
    uint32_t lockKey, unlockKey, target;  // what entering and leaving send
    const char* held;                     // the state file while inside
    const char* hold;                     // the control command of a holder elsewhere
};

constexpr ProfileCase kProfiles[] = {
    {"old", 3, 0x0C, 0x0D, 0xFFFF, "0 maintenance\n", "hold 0 3"},
    {"old", -1, 0x0C, 0x0D, 0xFFFF, "0 maintenance\n", "hold 0 all"},
    {"middle", 3, 0x72, 0x73, 3, "0 lock 3\n", "hold 0 3"},
    {"middle", -1, 0x72, 0x73, 0xFFFFFFFF, "0 lock all\n", "hold 0 all"},
    {"new", 3, 0x72, 0x73, 3, "0 lock 3\n", "hold 0 3"},
    {"new", -1, 0x72, 0x73, 0xFFFFFFFF, "0 lock all\n", "hold 0 all"},
};

TEST_F(MaintenanceSimTest, DriveMaintenanceTakesWhatTheFirmwareLevelOffers)
{
    for (const ProfileCase& k : kProfiles) {
        SCOPED_TRACE(std::string(k.profile) + " host drive " + std::to_string(k.hostDrive));
        CController* c = Open(k.profile, kMaintenanceDisks);
        ASSERT_NE(c, nullptr);

        size_t from = sim_->log().size();
        ASSERT_EQ(c->EnterDriveMaintenance(k.hostDrive), 1) << std::hex << c->error;
        EXPECT_EQ(SentSince(from), (std::vector<Sent>{{k.lockKey, k.target, 1}}));
        EXPECT_EQ(State(), k.held);
        from = sim_->log().size();
        EXPECT_EQ(c->LeaveDriveMaintenance(k.hostDrive), 1);
        EXPECT_EQ(SentSince(from), (std::vector<Sent>{{k.unlockKey, k.target, 1}}));
        EXPECT_EQ(State(), "");
        EXPECT_EQ(c->maintenance, 0);

        // Someone else holds the host drive: the console resets its access and tries again.
        ASSERT_TRUE(sim_->control(k.hold));
        EXPECT_EQ(c->EnterDriveMaintenance(k.hostDrive), 0);
        EXPECT_EQ(c->error, CTLERR_CONTROLLER + 12);
        EXPECT_EQ(c->LeaveDriveMaintenance(k.hostDrive), 1);
        ASSERT_EQ(ctl_host_drive_opcode6(0, 0, static_cast<uint16_t>(k.hostDrive)), CTL_OK);
        ASSERT_EQ(c->EnterDriveMaintenance(k.hostDrive), 1) << std::hex << c->error;
        EXPECT_EQ(c->LeaveDriveMaintenance(k.hostDrive), 1);
        EXPECT_EQ(State(), "");
        sim_.reset();
    }
}

// Logical drives 0, 1 and 2 as single disks of the first channel.
constexpr const char* kDrives = R"(, "channels": [{"kind": 2, "ownId": 7, "devices": [
    {"target": 0, "capacity": 100000}, {"target": 1, "capacity": 100000}, {"target": 2, "capacity": 100000}]}],
    "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]},
                      {"number": 2, "members": [[0, 2]]}])";

TEST_F(MaintenanceSimTest, Level22PreparesEachDriveThatCarriesHostDrives)
{
    CController* c = Open("old", kDrives);
    ASSERT_NE(c, nullptr);
    // Drives 0 and 2 carry host drives, drive 1 none.
    ASSERT_TRUE(sim_->control("hostdrive 0 0 0 50000"));
    ASSERT_TRUE(sim_->control("hostdrive 0 2 7 50000"));
    ASSERT_EQ(c->Refresh(), 1) << std::hex << c->error;
    ASSERT_EQ(c->hostDrives.count, 2);
    for (const int n : {-1, 7}) {
        SCOPED_TRACE(n);
        size_t from = sim_->log().size();
        ASSERT_EQ(c->EnterDriveMaintenance(n), 1) << std::hex << c->error;
        EXPECT_EQ(SentSince(from), (std::vector<Sent>{{0x0C, 0xFFFF, 1}, {0x12, 0, 1}, {0x12, 2, 1}}));
        EXPECT_EQ(State(), "0 maintenance\n0 prepared 0\n0 prepared 2\n");
        from = sim_->log().size();
        EXPECT_EQ(c->LeaveDriveMaintenance(n), 1);
        EXPECT_EQ(SentSince(from), (std::vector<Sent>{{0x0D, 0xFFFF, 1}}));
        EXPECT_EQ(State(), "");
    }
    // A failing preparation reaches the error word, not the result.
    ASSERT_TRUE(sim_->control("status 0 0x12 7 after 2"));
    EXPECT_EQ(c->EnterDriveMaintenance(-1), 1);
    EXPECT_EQ(c->error, CTLERR_CONTROLLER + 7);
    EXPECT_EQ(c->LeaveDriveMaintenance(-1), 1);
    EXPECT_EQ(State(), "");
}

// A holder elsewhere answers 12; the host drive's own access reset frees it
// on every level, and the second try gets in.
TEST_F(MaintenanceSimTest, TheHostDrivesAccessResetFreesALockHeldElsewhere)
{
    const struct {
        const char* profile;
        uint32_t lockKey;
    } cases[] = {{"old", 0x0C}, {"middle", 0x72}, {"new", 0x72}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.profile);
        CController* c = Open(k.profile, kDrives);
        ASSERT_NE(c, nullptr);
        ASSERT_TRUE(sim_->control("hostdrive 0 1 4 50000"));
        ASSERT_EQ(c->Refresh(), 1) << std::hex << c->error;
        const int h = c->FindHostDrive(4);
        ASSERT_GE(h, 0);

        ASSERT_TRUE(sim_->control("hold 0 4"));
        EXPECT_EQ(c->EnterDriveMaintenance(4), 0);
        EXPECT_EQ(c->error, CTLERR_CONTROLLER + 12);
        EXPECT_EQ(c->LeaveDriveMaintenance(4), 1);
        const size_t from = sim_->log().size();
        ASSERT_EQ(c->hostDrives[h].ResetAccess(), 1) << std::hex << c->hostDrives[h].error;
        ASSERT_EQ(c->EnterDriveMaintenance(4), 1) << std::hex << c->error;
        const std::vector<Sent> sent = SentSince(from);
        const auto lock = std::find_if(sent.begin(), sent.end(), [&](const Sent& x) { return x.key == k.lockKey; });
        ASSERT_NE(lock, sent.end());
        EXPECT_EQ(lock->status, 1u);
        EXPECT_EQ(lock->target, k.lockKey == 0x0C ? 0xFFFFu : 4u);
        EXPECT_EQ(c->LeaveDriveMaintenance(4), 1);
        EXPECT_EQ(State(), "");
        EXPECT_FALSE(sim_->control("release 0 4")) << "the reset ended the hold";
        sim_.reset();
    }
}

TEST_F(MaintenanceSimTest, TwoPoolDrivesAreReleasedAndDeletedInsideTheBracket)
{
    std::string drives = kDrives;
    drives.replace(drives.find(R"({"number": 1,)"), 13, R"({"number": 1, "poolHotFix": true,)");
    drives.replace(drives.find(R"({"number": 2,)"), 13, R"({"number": 2, "poolHotFix": true,)");
    CController* c = Open("new", drives);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->Refresh(), 1) << std::hex << c->error;
    ASSERT_TRUE(c->logDrives[c->FindLogicalDrive(1)].IsPoolHotFix());

    const size_t from = sim_->log().size();
    ASSERT_EQ(c->BeginDiskChange(), 1);
    EXPECT_EQ(State(), "0 diskchange\n");
    ASSERT_EQ(c->ReleasePoolHotFixDrives(1), 1) << std::hex << c->error;
    EXPECT_EQ(c->EndDiskChange(), 1);
    EXPECT_EQ(State(), "");

    // The bracket holds the release (both drives and the end entry) and the two deletions.
    std::vector<uint32_t> keys;
    for (const Sent& s : SentSince(from))
        if (s.key == 0x20026 || s.key == 0x20027 || s.key == 0x61 || s.key == 0x0F)
            keys.push_back(s.key);
    EXPECT_EQ(keys, (std::vector<uint32_t>{0x20026, 0x61, 0x0F, 0x0F, 0x20027}));
    // Three entries and the 8 bytes that follow them (log field 8: the data length).
    std::string releaseLine;
    for (const std::string& line : sim_->log())
        if (line.find("\t0x00000061\t") != std::string::npos)
            releaseLine = line;
    std::vector<std::string> fields;
    std::stringstream in(releaseLine);
    for (std::string field; std::getline(in, field, '\t');)
        fields.push_back(field);
    ASSERT_GE(fields.size(), 8u) << releaseLine;
    EXPECT_EQ(fields[7], "32");
    const std::vector<uint8_t> release = LoggedRecords(0x61).back();
    ASSERT_GE(release.size(), kLoggedData + 32);
    const uint8_t* r = release.data() + kLoggedData;
    EXPECT_EQ(std::vector<uint32_t>({wire::get32(r, 0), wire::get32(r, 4), wire::get32(r, 8), wire::get32(r, 12),
                                     wire::get32(r, 16), wire::get32(r, 20)}),
              (std::vector<uint32_t>{0, 1, 0, 2, 0, 0xFFFF}));
    ASSERT_EQ(c->Refresh(), 1);
    EXPECT_GE(c->FindLogicalDrive(0), 0);
    EXPECT_LT(c->FindLogicalDrive(1), 0);
    EXPECT_LT(c->FindLogicalDrive(2), 0);
}

// The targets of the 0x12 requests logged from line `from` on.
std::vector<uint32_t> PreparedSince(const std::vector<std::string>& log, size_t from)
{
    std::vector<uint32_t> out;
    for (size_t i = from; i < log.size(); ++i)
        if (log[i].find("\t0x00000012\t") != std::string::npos) {
            std::vector<std::string> f;
            std::stringstream in(log[i]);
            for (std::string field; std::getline(in, field, '\t');)
                f.push_back(field);
            out.push_back(static_cast<uint32_t>(std::stoul(f[6], nullptr, 16)));
        }
    return out;
}

// Each preparation names the drives its steps give: a host drive's carrier,
// the components of its array drive or RAID-1 drive; the controller takes
// them only inside the configuration access.
TEST_F(MaintenanceSimTest, PreparationsNameTheDrivesBehindTheirArgument)
{
    CController* c = Open("new", R"(, "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1},
        {"target": 2}, {"target": 3}, {"target": 4}]}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]},
                          {"number": 2, "members": [[0, 2]]}, {"number": 3, "members": [[0, 3]]},
                          {"number": 5, "members": [[0, 4]]}],
        "mirrors": [{"drives": [3, 5]}])");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->Refresh(), 1);
    CLogDrive& master = c->logDrives[c->FindLogicalDrive(0)];
    master.AddPendingComponent(c->FindLogicalDrive(1));
    ASSERT_EQ(master.CreateArrayWithHostDrive(RAID_TYPE_0, nullptr, nullptr, 0, 1), 1) << std::hex << c->error;
    ASSERT_TRUE(sim_->control("hostdrive 0 2 20 1000"));
    ASSERT_TRUE(sim_->control("hostdrive 0 3 30 1000"));
    ASSERT_EQ(c->Refresh(), 1);
    const int a = c->FindArrayDrive(0);
    ASSERT_GE(a, 0);
    ASSERT_EQ(c->arrayDrives[a].hostDrives.count, 1);
    const int m = c->FindMirrorDrive(3);
    ASSERT_GE(m, 0);

    const struct {
        const char* what;
        std::function<int()> call;
        int result;
        std::vector<uint32_t> prepared;
    } cases[] = {
        {"host drive on a plain drive", [&] { return c->PrepareHostDriveForMaintenance(c->FindHostDrive(20)); }, 1, {2}},
        {"host drive on a RAID-1 drive", [&] { return c->PrepareHostDriveForMaintenance(c->FindHostDrive(30)); }, 1,
         {3, 5}},
        {"host drive on an array drive",
         [&] { return c->PrepareHostDriveForMaintenance(c->arrayDrives[a].hostDrives[0]); }, 1, {0, 1}},
        {"no such host drive", [&] { return c->PrepareHostDriveForMaintenance(c->hostDrives.count); }, 0, {}},
        {"array drive", [&] { return c->PrepareArrayForMaintenance(a); }, 1, {0, 1}},
        {"RAID-1 drive", [&] { return c->PrepareMirrorForMaintenance(m); }, 1, {3, 5}},
        {"logical drive", [&] { return c->PrepareLogicalDriveForMaintenance(c->FindLogicalDrive(5)); }, 1, {5}},
        {"no such logical drive", [&] { return c->PrepareLogicalDriveForMaintenance(c->logDrives.count); }, 0, {}},
        {"every carrier", [&] { return c->PrepareDrivesForMaintenance(); }, 1, {0, 2, 3}},
    };
    ASSERT_EQ(c->EnterMaintenanceMode(), 1);
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        const size_t from = sim_->log().size();
        EXPECT_EQ(k.call(), k.result);
        EXPECT_EQ(PreparedSince(sim_->log(), from), k.prepared);
    }
    EXPECT_EQ(c->LeaveMaintenanceMode(), 1);
    EXPECT_EQ(State(), "") << "the marks end with the access";

    // Outside the access the controller refuses.
    EXPECT_EQ(c->PrepareLogicalDriveForMaintenance(c->FindLogicalDrive(5)), 0);
    EXPECT_EQ(c->error, CTLERR_CONTROLLER + 7);
    EXPECT_EQ(State(), "");
}

TEST_F(MaintenanceSimTest, WholeControllerAccessNestsAndRestarts)
{
    CController* c = Open("new");
    ASSERT_NE(c, nullptr);
    size_t from = sim_->log().size();
    ASSERT_EQ(c->AcquireAccess(), 1);
    ASSERT_EQ(c->AcquireAccess(), 1);
    EXPECT_EQ(State(), "0 access 1\n");
    EXPECT_EQ(c->ReleaseAccess(), 1);
    EXPECT_EQ(State(), "0 access 1\n");
    EXPECT_EQ(c->ReleaseAccess(), 1);
    EXPECT_EQ(c->ReleaseAccess(), 1) << "one release too many gives nothing back";
    EXPECT_EQ(c->accessNesting, 0);
    EXPECT_EQ(SentSince(from), (std::vector<Sent>{{0x70, 0xFFFF, 1}, {0x71, 0xFFFF, 1}}));
    EXPECT_EQ(State(), "");

    ASSERT_TRUE(sim_->control("hold 0 5"));
    EXPECT_EQ(c->AcquireAccess(), 0);
    EXPECT_EQ(c->error, CTLERR_CONTROLLER + 12);
    EXPECT_EQ(c->ReleaseAccess(), 1);
    ASSERT_TRUE(sim_->control("release 0 5"));

    ASSERT_EQ(c->EnterMaintenanceMode(), 1);
    from = sim_->log().size();
    EXPECT_EQ(c->RestartMaintenanceMode(), 1);
    EXPECT_EQ(SentSince(from), (std::vector<Sent>{{0x0D, 0xFFFF, 1}, {0x0C, 0xFFFF, 1}}));
    EXPECT_EQ(c->maintenance, 1);
    EXPECT_EQ(c->LeaveMaintenanceMode(), 1);
    EXPECT_EQ(State(), "");
}

TEST_F(MaintenanceSimTest, DiskChangeBracketNeedsFirmwareAbove0x200000)
{
    const struct {
        const char* profile;
        int result;
    } cases[] = {{"old", 0}, {"middle", 0}, {"new", 1}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.profile);
        CController* c = Open(k.profile);
        ASSERT_NE(c, nullptr);
        const size_t from = sim_->log().size();
        EXPECT_EQ(c->BeginDiskChange(), k.result);
        EXPECT_EQ(State(), k.result ? "0 diskchange\n" : "");
        EXPECT_EQ(c->EndDiskChange(), k.result);
        if (k.result) {
            EXPECT_EQ(SentSince(from), (std::vector<Sent>{{0x20026, 0xFFFF, 1}, {0x20027, 0xFFFF, 1}}));
            EXPECT_EQ(c->error, 0u);
        } else {
            EXPECT_EQ(SentSince(from).size(), 0u) << "no request";
            EXPECT_EQ(c->error, MODERR_FIRMWARE_VERSION);
        }
        EXPECT_EQ(State(), "");
        sim_.reset();
    }
}

// The {channel, target, LUN} records of every logged command with `key`.
std::set<std::vector<int>> Addresses(const std::vector<std::vector<uint8_t>>& records)
{
    std::set<std::vector<int>> out;
    for (const auto& r : records)
        out.insert({r[kLoggedData], r[kLoggedData + 1], r[kLoggedData + 2], r[kLoggedData + 3]});
    return out;
}

TEST_F(MaintenanceSimTest, RescanOnLevel22ProbesEveryUnknownAddressButTheControllersOwn)
{
    CController* c = Open("old", kMaintenanceDisks);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->ScanDevices(), 1);
    ASSERT_TRUE(sim_->control("insert 0 0 4"));
    EXPECT_LT(c->FindPhysDrive(0, 4, 0), 0) << "not found before a probe";

    ASSERT_EQ(c->RescanChannel(0, 1), 1) << std::hex << c->error;
    const auto probes = LoggedRecords(0x20000014);
    std::set<std::vector<int>> expected;
    for (int t = 0; t < 128; ++t)
        for (int lun = 0; lun < 8; ++lun)
            if (t != 7 && !(lun == 0 && (t == 0 || t == 1)))
                expected.insert({0, t, lun, 0});
    EXPECT_EQ(probes.size(), expected.size());
    EXPECT_EQ(Addresses(probes), expected);
    EXPECT_EQ(Logged(0x74), 0u);
    EXPECT_GE(c->FindPhysDrive(0, 4, 0), 0) << "the probed disk joined";
}

TEST_F(MaintenanceSimTest, RescanFromLevel23ScansTheWholeChannelOnce)
{
    CController* c = Open("middle", kMaintenanceDisks);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->ScanDevices(), 1);
    ASSERT_TRUE(sim_->control("insert 0 0 4 5000"));
    ASSERT_EQ(c->ScanDevices(), 1);
    EXPECT_LT(c->FindPhysDrive(0, 4, 0), 0) << "an inserted disk waits for a scan";

    ASSERT_EQ(c->RescanChannel(0, 1), 1) << std::hex << c->error;
    EXPECT_EQ(Addresses(LoggedRecords(0x74)), (std::set<std::vector<int>>{{0, 255, 0, 0}}));
    EXPECT_EQ(Logged(0x74), 1u);
    EXPECT_EQ(Logged(0x20000014), 0u);
    EXPECT_GE(c->FindPhysDrive(0, 4, 0), 0);

    EXPECT_EQ(c->RescanChannel(3, 0), 0) << "no channel 3";
    EXPECT_EQ(c->error, MODERR_BAD_PARAMETER);
}

TEST_F(MaintenanceSimTest, RescanTargetAsksOnlyForLunsNotYetKnown)
{
    CController* c = Open("new", kMaintenanceDisks);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->ScanDevices(), 1);
    ASSERT_EQ(c->RescanTarget(0, 1, 0), 1);
    std::set<std::vector<int>> expected;
    for (int lun = 1; lun < 8; ++lun)
        expected.insert({0, 1, lun, 0});
    EXPECT_EQ(Addresses(LoggedRecords(0x74)), expected);
    EXPECT_EQ(Logged(0x74), 7u);
}

TEST_F(MaintenanceSimTest, LoadAllPreparesAndCommitsThenRereads)
{
    CController* c = Open("new", kMaintenanceDisks);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->ScanDevices(), 1);
    ASSERT_TRUE(sim_->control("insert 0 0 2"));
    const size_t from = sim_->log().size();
    ASSERT_EQ(c->LoadAll(0), 1);
    EXPECT_EQ(SentSince(from), (std::vector<Sent>{{0x0B, 0xFFFF, 1}, {0x03, 0xFFFF, 1}}));
    EXPECT_EQ(LoggedRecords(0x0B).back()[kLoggedData], 0);
    EXPECT_EQ(c->error, 0u);
    EXPECT_EQ(State(), "");
    ASSERT_EQ(c->LoadAll(1), 1);
    EXPECT_GE(c->FindPhysDrive(0, 2, 0), 0) << "the load read the inserted disk";

    ASSERT_TRUE(sim_->control("status 0 0x03 7"));
    EXPECT_EQ(c->LoadAll(0), 1);
    EXPECT_EQ(c->error, CTLERR_CONTROLLER + 7) << "the last result stays";
}

TEST_F(MaintenanceSimTest, NotifyOsDriveChangeWritesTheScsiLines)
{
    CController* c = Open("new");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->NotifyOsDriveChange(3, 1), 1) << std::hex << c->error;
    ASSERT_EQ(c->NotifyOsDriveChange(3, 0), 1);
    ASSERT_EQ(c->NotifyOsDriveChange(-1, 0), 1) << "a rescan of all writes no line";
    const std::string expected = std::string("scsi remove-single-device 0 0 3 0") + '\0' +
                                 "scsi add-single-device 0 0 3 0" + '\0';
    EXPECT_EQ(sim_->readFile("scsi"), expected);
    EXPECT_EQ(c->NotifyOsDriveChange(-2, 0), 0);
    EXPECT_EQ(c->error, MODERR_BAD_PARAMETER);
}

TEST_F(MaintenanceSimTest, StateListsTheDriversOwnLocks)
{
    CController* c = Open("new");
    ASSERT_NE(c, nullptr);
    const uint16_t drives[] = {2, 5};
    ASSERT_EQ(ctl_lock_host_drives(0, 1, 2, drives), CTL_OK);
    ASSERT_EQ(ctl_lock_channel(0, 1, 1), CTL_OK);
    EXPECT_EQ(State(), "0 driver hostdrive 2\n0 driver hostdrive 5\n0 driver channel 1\n");
    ASSERT_EQ(ctl_lock_host_drives(0, 0, 2, drives), CTL_OK);
    ASSERT_EQ(ctl_lock_channel(0, 0, 1), CTL_OK);
    EXPECT_EQ(State(), "");
}

}  // namespace
