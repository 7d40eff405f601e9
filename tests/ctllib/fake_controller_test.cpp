// Composite operations against a scripted test module that answers like a
// misbehaving controller, and the local module against a driver file that
// returns no reply at all.
#include "byte_order.h"
#include "ctl_channels.h"
#include "ctl_commands.h"
#include "ctl_devices.h"
#include "ctl_drives.h"
#include "xport.h"
#include "xport_internal.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

// What the scripted controller answers.
struct Script {
    bool descriptions = false;   // answers 0x5D
    uint32_t devicesPerChannel = 1;
    uint32_t driveCount = 0;
    uint32_t members = 0;
    uint32_t memberAddress = 0;  // every member's device address
    uint16_t lastListSize = 0;   // size of the last 0x02 request
};
Script g_script;

CtlResult scriptedRequest(int, uint16_t, CtlRequest* r)
{
    if (r->function != CTLFN_COMMAND)
        return CTLERR_NOT_SERVED;
    auto& c = *static_cast<CtlCommand*>(r->buffer);
    auto* p = static_cast<uint8_t*>(c.param);
    switch (c.key) {
    case 0x5D:
        return g_script.descriptions ? CTL_OK : CTLERR_CONTROLLER + 9;
    case 0x20000005:  // channel information: every channel exists
        wire::put32(p, 4, g_script.devicesPerChannel);
        return CTL_OK;
    case 0x20000006:  // device list: entries 0, 1, 2 ...
        for (uint32_t i = 0; 8 + 4 * i + 4 <= c.size; ++i)
            wire::put32(p, 8 + 4 * i, i);
        return CTL_OK;
    case 0x04:
        std::memset(p, 0, c.size);
        wire::put32(p, 0, 0x21E);
        return CTL_OK;
    case 0x01:
        wire::put32(p, 0, g_script.driveCount);
        return CTL_OK;
    case 0x02:
        g_script.lastListSize = c.size;
        std::memset(p, 0xAB, c.size);
        return CTL_OK;
    case 0x07:
        std::memset(p, 0, c.size);
        wire::put32(p, 32, g_script.members);
        return CTL_OK;
    case 0x80000005:
        for (uint32_t i = 0; 8 * i + 8 <= c.size; ++i)
            wire::put32(p, 8 * i + 4, g_script.memberAddress);
        return CTL_OK;
    default:
        return CTL_OK;
    }
}

CtlResult scriptedOpen(const char*, uint8_t* access, int* handle, const char*, const char*)
{
    *access = 0;
    *handle = 0;
    return CTL_OK;
}
CtlResult scriptedClose(int) { return CTL_OK; }
CtlResult scriptedCount(int, int* n) { *n = 1; return CTL_OK; }
CtlResult scriptedList(InterfaceRecord*, int* n) { *n = 1; return CTL_OK; }

CtlResult scriptedEntry(uint32_t code, void* record)
{
    if (code == MODENTRY_INFO) {
        auto* info = static_cast<ModuleInfo*>(record);
        info->name = "(Scripted)";
        info->list = scriptedList;
        info->open = scriptedOpen;
        info->close = scriptedClose;
        info->count = scriptedCount;
        info->request = scriptedRequest;
    }
    return CTL_OK;
}

class FakeController : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_script = Script{};
        xport_reset();
        xport_set_module_entry(scriptedEntry);
        ASSERT_EQ(0, xport_open_local(1));
        ASSERT_EQ(CTL_OK, xport_open_interface(1, "x", nullptr, nullptr));
    }
    void TearDown() override
    {
        xport_reset();
        xport_set_module_entry(nullptr);
    }
};

}  // namespace

TEST_F(FakeController, ChannelProbeStopsAfter255)
{
    uint16_t n = 0;
    ASSERT_EQ(CTL_OK, ctl_count_channels(0, &n));
    EXPECT_EQ(255, n);
}

TEST_F(FakeController, UnreasonableDeviceCountIsRefused)
{
    g_script.devicesPerChannel = 0x40000000;  // 4 x d + 8 would wrap
    DriveAddress a;
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, ctl_resolve_device(&a));
    g_script.devicesPerChannel = CHANNEL_MAX_DEVICES;
    a.deviceIndex = CHANNEL_MAX_DEVICES - 1;
    ASSERT_EQ(CTL_OK, ctl_resolve_device(&a));
    EXPECT_EQ(CHANNEL_MAX_DEVICES - 1, a.deviceEntry);
}

TEST_F(FakeController, DriveListStaysInsideTheCallersArray)
{
    g_script.driveCount = 1000;
    auto drives = std::make_unique<uint32_t[]>(4);
    uint32_t listed = 0;
    ASSERT_EQ(CTL_OK, ctl_read_drive_list(0, drives.get(), 4, &listed));
    EXPECT_EQ(4u, listed);
    EXPECT_EQ(16, g_script.lastListSize);
    EXPECT_EQ(0xABABABABu, drives[3]);
}

TEST_F(FakeController, MembersStayInsideTheCallersArray)
{
    g_script.members = 200;
    g_script.memberAddress = 0x20000;  // channel 0, device 0
    auto m = std::make_unique<DriveMember[]>(3);
    uint16_t listed = 0;
    ASSERT_EQ(CTL_OK, ctl_read_drive_members(0, 1, m.get(), 3, &listed));
    EXPECT_EQ(3, listed);
    g_script.members = 100000;
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, ctl_read_drive_members(0, 1, m.get(), 3, &listed));
}

TEST_F(FakeController, MemberThatIsNowhereIsReportedAndTheReadGoesOn)
{
    g_script.descriptions = false;
    g_script.members = 2;
    g_script.memberAddress = 0x7FFF0005;  // on no channel
    DriveMember m[2];
    uint16_t listed = 0;
    ASSERT_EQ(CTL_OK, ctl_read_drive_members(0, 1, m, 2, &listed));
    EXPECT_EQ(2, listed);
    for (const DriveMember& x : m) {
        EXPECT_EQ(1, x.notFound);
        EXPECT_EQ(0xFFFF, x.channelIndex);
        EXPECT_EQ(0xFFFF, x.deviceIndex);
    }
}

// The local module over a driver file that takes every write and answers nothing.
TEST(LocalModuleShortReply, CopiesBackOnlyWhatWasRead)
{
    char tmpl[] = "/tmp/ctllib-null-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    const std::string dir = tmpl;
    ASSERT_EQ(0, mkdir((dir + "/kzmh").c_str(), 0755));
    ASSERT_EQ(0, symlink("/dev/null", (dir + "/kzmh/0").c_str()));
    setenv("KZMH_PROC_ROOT", dir.c_str(), 1);
    xport_reset();
    ASSERT_EQ(0, xport_open_local(0));

    uint8_t info[84];
    std::memset(info, 0x5C, sizeof info);
    EXPECT_EQ(CTLERR_CONTROLLER + 0, ctl_get_board_info(0, info));  // no status word: no success
    for (uint8_t b : info)
        ASSERT_EQ(0x5C, b);

    xport_reset();
    unsetenv("KZMH_PROC_ROOT");
    unlink((dir + "/kzmh/0").c_str());
    rmdir((dir + "/kzmh").c_str());
    rmdir(dir.c_str());
}
