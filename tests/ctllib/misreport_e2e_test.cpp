// Composite operations against emulated controllers whose firmware
// misreports its counts and member addresses: the library must stay inside
// the caller's arrays and refuse what no controller can hold.
#include "byte_order.h"
#include "ctl_channels.h"
#include "ctl_devices.h"
#include "ctl_drives.h"
#include "sim_suite.h"

#include <memory>
#include <string>

namespace {

constexpr size_t DATA_OFFSET = 524;  // the data area within a logged command record

// Entry 0: refuses 0x5D and has 300 channels.
// Entry 1: a channel of 1024 devices, then two single-disk channels that
// report 0x40000000 and 1025 devices.
// Entry 2: three logical drives, reports 1000.
// Entry 3: drives whose member counts are misreported.
// Entries 4 and 5 (the latter refusing 0x5D): drive 0 lists two members at
// addresses no channel holds, then a real one.
std::string scenario()
{
    std::string manyChannels;
    for (int i = 0; i < 300; ++i)
        manyChannels += i ? ",{}" : "{}";
    std::string fullChannel;
    for (int target = 0; target < 256; ++target)
        for (int lun = 0; lun < 4; ++lun)
            fullChannel += (fullChannel.empty() ? "" : ",") + std::string(R"({"target": )") +
                           std::to_string(target) + R"(, "lun": )" + std::to_string(lun) + "}";
    const std::string nowhere = R"("channels": [{"devices": [{"target": 0}]}, {"devices": [{"target": 1}]}],
     "logicalDrives": [{"number": 0, "type": 32, "members": ["0x7FFF0005", "0x20500", [0, 0]]}]})";
    return R"({"controllers": [
    {"entry": 0, "refuseChannelDescriptions": true, "channels": [)" + manyChannels + R"(]},
    {"entry": 1, "channels": [{"devices": [)" + fullChannel + R"(]},
                  {"reportedDevices": "0x40000000", "devices": [{}]},
                  {"reportedDevices": 1025, "devices": [{}]}]},
    {"entry": 2, "reportedDrives": 1000,
     "channels": [{"devices": [{"target": 0}, {"target": 1}, {"target": 2}]}],
     "logicalDrives": [{"number": 3, "members": [[0, 0]]}, {"number": 7, "members": [[0, 1]]},
                       {"number": 9, "members": [[0, 2]]}]},
    {"entry": 3,
     "channels": [{"devices": [{"target": 0}, {"target": 1}, {"target": 2}, {"target": 3},
                               {"target": 4}, {"target": 5}]}],
     "logicalDrives": [{"number": 1, "type": 32, "reportedMembers": 200, "members": [[0, 0], [0, 1]]},
                       {"number": 2, "type": 32, "reportedMembers": 255, "members": [[0, 2], [0, 3]]},
                       {"number": 4, "reportedMembers": 256, "members": [[0, 4]]},
                       {"number": 5, "reportedMembers": 100000, "members": [[0, 5]]}]},
    {"entry": 4, )" + nowhere + R"(,
    {"entry": 5, "refuseChannelDescriptions": true, )" + nowhere + R"(
  ]})";
}

class MisreportE2E : public SimSuite {
protected:
    static void SetUpTestSuite() { mountWith(scenario()); }
    static void TearDownTestSuite() { unmount(); }

    // Number of requests with `key` logged since log line `from`.
    static size_t requestsWithKey(size_t from, uint32_t key)
    {
        size_t n = 0;
        for (const LoggedRequest& l : logFrom(from))
            n += l.key == key ? 1 : 0;
        return n;
    }
};

}  // namespace

TEST_F(MisreportE2E, ChannelProbeStopsAfter255)
{
    const size_t from = logSize();
    uint16_t n = 0;
    ASSERT_EQ(CTL_OK, ctl_count_channels(0, &n));
    EXPECT_EQ(255, n);
    const std::vector<LoggedRequest> log = logFrom(from);
    size_t probes = 0;
    uint32_t lastNumber = 0;
    for (const LoggedRequest& l : log) {
        if (l.key != 0x20000005)
            continue;
        ++probes;
        ASSERT_GE(l.record.size(), DATA_OFFSET + 4);
        lastNumber = wire::get32(l.record.data(), DATA_OFFSET);
    }
    EXPECT_EQ(255u, probes);
    EXPECT_EQ(254u, lastNumber) << "channel 255 exists but is never asked";
}

TEST_F(MisreportE2E, UnreasonableDeviceCountIsRefused)
{
    const struct {
        uint8_t channel;
        uint16_t device;
        CtlResult rc;
        uint32_t entry;
    } cases[] = {
        {0, CHANNEL_MAX_DEVICES - 1, CTL_OK, 0xFF03},  // the largest count allowed: target 255 lun 3
        {1, 0, CTLERR_BAD_ARGUMENT, 0},                // 0x40000000: 4 x d + 8 would wrap
        {2, 0, CTLERR_BAD_ARGUMENT, 0},                // one more than allowed
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.channel);
        const size_t from = logSize();
        DriveAddress a;
        a.controller = 1;
        a.channelIndex = k.channel;
        a.deviceIndex = k.device;
        ASSERT_EQ(k.rc, ctl_resolve_device(&a));
        if (k.rc == CTL_OK) {
            EXPECT_EQ(0x20000u | k.entry, a.deviceAddress());
        } else {
            EXPECT_EQ(0u, requestsWithKey(from, 0x20000006)) << "refused before any list is read";
        }
    }
}

TEST_F(MisreportE2E, DriveListStaysInsideTheCallersArray)
{
    auto drives = std::make_unique<uint32_t[]>(4);  // exactly four: ASan sees any overrun
    uint32_t listed = 0;
    const size_t from = logSize();
    ASSERT_EQ(CTL_OK, ctl_read_drive_list(2, drives.get(), 4, &listed));
    EXPECT_EQ(4u, listed) << "the claimed count, cut to the caller's room";
    EXPECT_EQ(3u, drives[0]);
    EXPECT_EQ(9u, drives[2]);
    EXPECT_EQ(0u, drives[3]) << "the firmware holds no fourth drive";
    bool asked = false;
    for (const LoggedRequest& l : logFrom(from)) {
        if (l.key == 0x02) {
            asked = true;
            EXPECT_EQ(16u, l.dataSize) << "the list is asked for the caller's four entries only";
        }
    }
    EXPECT_TRUE(asked);
}

TEST_F(MisreportE2E, MembersStayInsideTheCallersArray)
{
    constexpr uint16_t NONE = 0xFFFF;
    const struct {
        uint16_t drive;
        CtlResult rc;
        uint16_t listed;
    } cases[] = {
        {1, CTL_OK, 3},  // 200 claimed, 2 held: the third is the list's zero entry
        {2, CTL_OK, 3},  // 255, the most allowed
        {4, CTLERR_BAD_ARGUMENT, 0},  // 256
        {5, CTLERR_BAD_ARGUMENT, 0},  // 100000
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.drive);
        auto m = std::make_unique<DriveMember[]>(3);  // exactly three: ASan sees any overrun
        m[0] = DriveMember{7, 7, 7};
        uint16_t listed = 99;
        const size_t from = logSize();
        ASSERT_EQ(k.rc, ctl_read_drive_members(3, k.drive, m.get(), 3, &listed));
        EXPECT_EQ(k.listed, listed);
        if (k.rc != CTL_OK) {
            EXPECT_EQ(7, m[0].notFound) << "nothing written";
            EXPECT_EQ(0u, requestsWithKey(from, 0x80000005)) << "refused before the member list is read";
            continue;
        }
        const uint16_t first = k.drive == 1 ? 0 : 2;
        EXPECT_EQ(0, m[0].notFound);
        EXPECT_EQ(0, m[0].channelIndex);
        EXPECT_EQ(first, m[0].deviceIndex);
        EXPECT_EQ(first + 1, m[1].deviceIndex);
        EXPECT_EQ(1, m[2].notFound);
        EXPECT_EQ(NONE, m[2].channelIndex);
        EXPECT_EQ(NONE, m[2].deviceIndex);
    }
}

TEST_F(MisreportE2E, MemberThatIsNowhereIsReportedAndTheReadGoesOn)
{
    for (uint16_t controller : {4, 5}) {  // channel descriptions answered, refused
        SCOPED_TRACE(controller);
        DriveMember m[3];
        uint16_t listed = 0;
        ASSERT_EQ(CTL_OK, ctl_read_drive_members(controller, 0, m, 3, &listed));
        ASSERT_EQ(3, listed);
        for (int i = 0; i < 2; ++i) {  // 0x7FFF0005: no such channel; 0x20500: no such device
            EXPECT_EQ(1, m[i].notFound) << i;
            EXPECT_EQ(0xFFFF, m[i].channelIndex) << i;
            EXPECT_EQ(0xFFFF, m[i].deviceIndex) << i;
        }
        EXPECT_EQ(0, m[2].notFound);
        EXPECT_EQ(0, m[2].channelIndex);
        EXPECT_EQ(0, m[2].deviceIndex);
    }
}
