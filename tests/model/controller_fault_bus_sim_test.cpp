// Fault bus, cluster channels and the channel queries end to end: the page
// bytes the settings write, the states the emulated fault bus reports from
// its disks, the LED tests, and page B taking the settings over on a restart.
#include "ctl_commands.h"
#include "phys_drive_sim_test.h"

#include <byte_order.h>

#include <cstring>

namespace {

// Channel 0 Fibre Channel and 2 SATA without a fault bus; channel 1 SCSI with an active one.
const char* const kFaultBus = R"({"entry": 0, "profile": "new", "channels": [
    {"kind": 3, "ownId": 0},
    {"kind": 2, "faultBus": true, "faultBusActive": true, "devices": [{"target": 0}, {"target": 1}]},
    {"kind": 4, "ownId": 0}]})";
// A fault bus that the running firmware does not drive, and none at all.
const char* const kInactive = R"({"entry": 0, "profile": "new", "channels": [
    {"kind": 2, "faultBus": true, "devices": [{"target": 0}]}, {"kind": 2, "faultBusActive": true}]})";

class FaultBusTest : public PhysDriveSimTest {
protected:
    static FaultBusStates States(CController& c, uint8_t channel)
    {
        FaultBusStates s;
        s.head[0] = channel;
        EXPECT_EQ(c.GetFaultBusStates(&s), 1);
        return s;
    }
};

TEST_F(FaultBusTest, TestPatternGoesToTheOnlyFaultBusAndHoldsUntilStopped)
{
    CController* c = OpenController(kFaultBus);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->TestFaultBus(2), 1);
    const auto sent = LoggedRecords(0x51);
    ASSERT_EQ(sent.size(), 1u);
    const uint8_t* p = sent[0].data() + kLoggedData;
    EXPECT_EQ(p[0], 1);
    EXPECT_EQ(p[1], 1);  // channel 1
    EXPECT_EQ(p[2], 16);
    EXPECT_EQ(p[3], 10);
    EXPECT_EQ(wire::get16(p, 4), 250);
    for (size_t s = 0; s < 16; ++s)
        EXPECT_EQ(wire::get16(p, 6 + 2 * s), 0x111) << s;
    for (int i = 0; i < 2; ++i) {
        const FaultBusStates held = States(*c, 1);
        for (int s = 0; s < 16; ++s)
            EXPECT_EQ(held.slots[s], 0x111) << s;  // no pattern of the controller: the raw word
    }
    ASSERT_EQ(c->TestFaultBus(1), 1);
    EXPECT_EQ(States(*c, 1).slots[5], SLOT_STATE_ON);
    ASSERT_EQ(c->TestFaultBus(0), 1);
    EXPECT_EQ(States(*c, 1).slots[5], SLOT_STATE_OFF);
}

TEST_F(FaultBusTest, StatesFollowTheDisksAndCountSwaps)
{
    CController* c = OpenController(kFaultBus);
    ASSERT_NE(c, nullptr);
    FaultBusStates s = States(*c, 1);
    EXPECT_EQ(s.head[0], 1);
    EXPECT_EQ(s.head[1], 1);  // present
    EXPECT_EQ(s.head[2], 1);  // SHELF
    EXPECT_EQ(wire::get32(s.head, 4), 0u);
    EXPECT_EQ(s.slots[0], SLOT_STATE_OFF);

    ASSERT_TRUE(sim_->control("fail 0 1 1"));
    ASSERT_TRUE(sim_->control("insert 0 1 2"));
    s = States(*c, 1);
    EXPECT_EQ(s.slots[1], SLOT_STATE_ON);      // remove the failed disk
    EXPECT_EQ(s.slots[2], SLOT_STATE_QUICK);   // a disk not yet initialised
    EXPECT_EQ(wire::get32(s.head, 4), 1u);
    ASSERT_TRUE(sim_->control("pull 0 1 2"));
    EXPECT_EQ(wire::get32(States(*c, 1).head, 4), 2u);

    // A raw signal word that is none of the controller's patterns.
    uint8_t test[38] = {1, 1, 16, 10};
    wire::put16(test, 4, 250);
    for (size_t k = 0; k < 16; ++k)
        wire::put16(test, 6 + 2 * k, 0x0123);
    ASSERT_EQ(ctl_set_channel_settings(0, test, sizeof test), CTL_OK);
    EXPECT_EQ(States(*c, 1).slots[3], 0x0123);

    // A channel without a fault bus answers its present flag 0.
    EXPECT_EQ(States(*c, 0).head[1], 0);
    // A failed read leaves the record as it was.
    FaultBusStates untouched;
    untouched.head[0] = 9;
    untouched.slots[0] = 77;
    EXPECT_EQ(c->GetFaultBusStates(&untouched), 0);
    EXPECT_EQ(c->error, 0x01000006u);
    EXPECT_EQ(untouched.slots[0], 77);
}

TEST_F(FaultBusTest, NoActiveFaultBusSendsNothing)
{
    CController* c = OpenController(kInactive);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->TestFaultBus(3), 0);
    EXPECT_EQ(c->error, MODERR_NOT_SUPPORTED);
    EXPECT_EQ(Logged(0x51), 0u);
}

TEST_F(FaultBusTest, SettingsAreWrittenIntoPageAAndTakenOverOnARestart)
{
    CController* c = OpenController(kFaultBus);
    ASSERT_NE(c, nullptr);
    FaultBusSettings f;
    f.autoHotPlug = 1;
    f.shelfMonitoring = 0x101;  // only the low byte travels
    f.shelfAlarm = 0;
    f.channelEnable[0] = 1;
    f.channelEnable[1] = 0;
    f.channelEnable[2] = 1;
    f.channelEnable[4] = 1;  // beyond the channel count: not written
    ASSERT_EQ(c->SetFaultBusSettings(f), 1);
    const auto written = LoggedRecords(0x2B);
    ASSERT_EQ(written.size(), 1u);
    const uint8_t* page = written[0].data() + kLoggedData;
    EXPECT_EQ(wire::get32(page, 0), 380u);
    EXPECT_EQ(page[78], 1);
    EXPECT_EQ(page[76], 1);
    EXPECT_EQ(page[77], 0);
    EXPECT_EQ(page[81], 1);
    EXPECT_EQ(wire::get16(page, 84), 250);
    const uint16_t patterns[] = {0x0FFF, 0x0FFF, 0x41, 0x41, 0x555, 0x555, 0};
    for (size_t k = 0; k < 7; ++k)
        EXPECT_EQ(wire::get16(page, 86 + 2 * k), patterns[k]) << k;
    const uint8_t enable[] = {1, 0, 1, 0, 0, 0};
    for (size_t ch = 0; ch < 6; ++ch) {
        EXPECT_EQ(page[60 + ch], enable[ch]) << ch;
        EXPECT_EQ(page[68 + ch], 0) << ch;
    }
    // The object mirrors the controller: page A changed, page B not before a restart.
    EXPECT_EQ(c->configPageA[60], 1);
    EXPECT_EQ(c->configPageB[60], 0);
    EXPECT_EQ(c->configPageB[61], 1);
    ASSERT_TRUE(sim_->control("reboot 0"));
    ASSERT_EQ(c->GetInfo(), 1);
    EXPECT_EQ(c->configPageB[60], 1);
    EXPECT_EQ(c->configPageB[61], 0);
    EXPECT_EQ(c->configPageB[78], 1);
    EXPECT_EQ(wire::get16(c->configPageB, 84), 250);
    // Channel 1 no longer drives its fault bus: nothing left to test.
    EXPECT_EQ(c->TestFaultBus(1), 0);
    EXPECT_EQ(c->error, MODERR_NOT_SUPPORTED);
}

TEST_F(FaultBusTest, ClusterChannelRecordsAndMask)
{
    CController* c = OpenController(kFaultBus);
    ASSERT_NE(c, nullptr);
    // Leftovers of an earlier cluster setting are cleared.
    std::memset(c->configPageA + 120, 0x77, 6 * 28);
    std::memset(c->configPageA + 344, 0x77, 20);
    const int32_t flags[CLUSTER_CHANNELS] = {0, 1, 0, 0, 0, 0};
    ASSERT_EQ(c->SetClusterChannels(flags), 1);
    const auto written = LoggedRecords(0x2B);
    ASSERT_EQ(written.size(), 1u);
    const uint8_t* page = written[0].data() + kLoggedData;
    EXPECT_EQ(page[344], 0x02);
    EXPECT_EQ(page[345], 10);
    for (size_t k = 346; k < 364; ++k)
        EXPECT_EQ(page[k], 0) << k;
    const uint8_t record[28] = {1, 1, 1, 1, 1, 0, 2};
    for (size_t ch = 0; ch < 6; ++ch) {
        const uint8_t* r = page + 120 + 28 * ch;
        for (size_t k = 0; k < 28; ++k)
            EXPECT_EQ(r[k], ch == 1 ? record[k] : 0) << ch << " " << k;
    }
    EXPECT_EQ(c->configPageA[344], 0x02);

    // A refused page write fails and leaves the object as the controller has it.
    ASSERT_TRUE(sim_->control("status 0 0x2B 0x0007"));
    const int32_t none[CLUSTER_CHANNELS] = {};
    EXPECT_EQ(c->SetClusterChannels(none), 0);
    EXPECT_EQ(c->error, 0x01000007u);
    EXPECT_EQ(c->configPageA[344], 0x02);
}

TEST_F(FaultBusTest, ChannelQueries)
{
    CController* c = Scanned(kFaultBus);
    ASSERT_NE(c, nullptr);
    const struct {
        int channel;
        int sata;
    } cases[] = {{0, 0}, {1, 0}, {2, 1}, {3, 0}, {-1, 0}, {6, 0}};
    for (const auto& k : cases)
        EXPECT_EQ(c->IsSataChannel(k.channel), k.sata) << k.channel;
    const int io = c->FindEnclosureDevice(1);
    ASSERT_GE(io, 0);
    EXPECT_EQ(c->physDrives[io].channel, 1);
    EXPECT_EQ(c->physDrives[io].DeviceType(), 0x83);
    EXPECT_EQ(c->FindEnclosureDevice(5), -1);
}

}  // namespace
