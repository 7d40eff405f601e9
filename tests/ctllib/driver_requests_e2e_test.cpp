// Driver-level requests through the emulator: versions, controller type,
// locks and event walks.
#include "byte_order.h"
#include "ctl_driver_requests.h"
#include "recording_module.h"
#include "sim_suite.h"
#include "xport.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

class DriverRequestsE2E : public SimSuite {
protected:
    static void SetUpTestSuite()
    {
        mountWith("");
        xport_open_interface(1, "Local_Sys", nullptr, nullptr);  // the recording module
    }
    static void TearDownTestSuite() { unmount(); }

    // Walks the store with code 0 from the start; the texts in order.
    static std::vector<std::string> walk()
    {
        std::vector<std::string> texts;
        EventRequest e;
        e.code = EVENT_NEXT_AFTER;
        e.handle = EVENT_HANDLE_NONE;
        for (int guard = 0; guard < 100; ++guard) {
            EXPECT_EQ(CTL_OK, ctl_read_event(0, &e));
            if (e.record.source == 0)
                break;
            texts.emplace_back(e.record.text);
            if (e.handle == EVENT_HANDLE_NONE)
                break;
        }
        return texts;
    }
};

}  // namespace

TEST_F(DriverRequestsE2E, VersionsAndSystem)
{
    uint16_t version = 0;
    ASSERT_EQ(CTL_OK, ctl_get_driver_version_word(&version));
    EXPECT_EQ(0x0302, version);
    EXPECT_EQ(0x4A01u, lastLogged().code);

    OsVersionInfo os;
    ASSERT_EQ(CTL_OK, ctl_get_os_version(&os));
    EXPECT_EQ(8, os.systemCode);
    EXPECT_EQ(2, os.major);
    EXPECT_EQ(6, os.minor);
    EXPECT_EQ(32, os.revision);
    EXPECT_STREQ("Linux", os.name);

    uint8_t sys[8 + 6 + 1];
    std::memset(sys, 0xEE, sizeof sys);
    ASSERT_EQ(CTL_OK, ctl_get_system_info(sys, 0));
    EXPECT_EQ(15, recording().requests.back().length);
    for (size_t i = 0; i < 14; ++i)
        EXPECT_EQ(0, sys[i]) << i;
    EXPECT_EQ(0xEE, sys[14]);  // one 6-byte entry, nothing more
}

TEST_F(DriverRequestsE2E, ControllerType)
{
    CtlTypeInfo t;
    t.controller = 1;
    std::memset(t.untouched, 0x5A, sizeof t.untouched);
    ASSERT_EQ(CTL_OK, ctl_get_controller_type(&t));
    EXPECT_EQ(0x86, t.controllerClass);
    EXPECT_EQ(0x0310, t.busSlot);
    EXPECT_EQ(0, t.subtype);
    EXPECT_EQ(0x5A, t.untouched[3]);
    t.controller = 0;
    ASSERT_EQ(CTL_OK, ctl_get_controller_type(&t));
    EXPECT_EQ(0xFE, t.controllerClass);
    EXPECT_EQ(0x0208, t.busSlot);
    EXPECT_EQ(0x6100, t.subtype);
}

TEST_F(DriverRequestsE2E, LocksReachTheDriver)
{
    const size_t lines = logSize();
    EXPECT_EQ(CTL_OK, ctl_lock_host_drives(0, 1, 0, nullptr));
    EXPECT_EQ(lines, logSize());  // count 0 sends nothing

    const uint16_t drives[] = {2, 7, 300};
    ASSERT_EQ(CTL_OK, ctl_lock_host_drives(1, 1, 3, drives));
    LoggedRequest l = lastLogged();
    EXPECT_EQ(0x4A06u, l.code);
    EXPECT_EQ(1, l.entry);
    EXPECT_EQ(1, l.record[12]);
    EXPECT_EQ(3, l.record[13]);
    EXPECT_EQ(2, wire::get16(l.record.data(), 14));
    EXPECT_EQ(300, wire::get16(l.record.data(), 18));
    EXPECT_EQ(0, recording().requests.back().readOnly);

    std::vector<uint16_t> many(256, 1);
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, ctl_lock_host_drives(0, 1, 256, many.data()));

    ASSERT_EQ(CTL_OK, ctl_lock_channel(0, 0, 3));
    l = lastLogged();
    EXPECT_EQ(0x4A07u, l.code);
    EXPECT_EQ(0, l.record[12]);
    EXPECT_EQ(3, l.record[13]);
}

TEST_F(DriverRequestsE2E, RequestsTheDriverDoesNotServe)
{
    uint8_t stats[22] = {2, 1, 2, 3};
    EXPECT_EQ(CTLERR_NOT_SERVED, ctl_get_driver_statistics(0, stats));
    EXPECT_EQ(0x010203u, recording().requests.back().info);
    EXPECT_EQ(2, recording().requests.back().service);
    EXPECT_EQ(CTLERR_NOT_SERVED, ctl_notify_maintenance(0, 3, 120, 4));
    EXPECT_EQ((4u << 16) | 120u, recording().requests.back().info);
    EXPECT_EQ(0, recording().requests.back().readOnly);
}

TEST_F(DriverRequestsE2E, EventWalksAndClear)
{
    EventRequest clear;
    clear.code = EVENT_CLEAR;
    ASSERT_EQ(CTL_OK, ctl_read_event(0, &clear));
    EXPECT_TRUE(walk().empty());

    ASSERT_TRUE(sim().control("event 0 1 9 11 1 - first text"));
    ASSERT_TRUE(sim().control("event 0 2 0 0 2 none second"));
    ASSERT_TRUE(sim().control("event 1 4 9 12 0 0A0B third"));
    EXPECT_EQ((std::vector<std::string>{"first text", "second", "third"}), walk());

    std::vector<std::string> fresh;
    for (int i = 0; i < 5; ++i) {
        EventRequest e;
        e.code = EVENT_NEXT_NEW;
        ASSERT_EQ(CTL_OK, ctl_read_event(0, &e));
        if (e.record.source == 0)
            break;
        fresh.emplace_back(e.record.text);
        if (fresh.size() == 3) {
            EXPECT_EQ(4, e.record.source);
            EXPECT_EQ(1, wire::get16(e.record.data, 0));
            EXPECT_EQ(12, wire::get16(e.record.data, 4));
        }
    }
    EXPECT_EQ(3u, fresh.size());

    ASSERT_TRUE(sim().control("event 0 1 9 13 1 - " + std::string(300, 'y')));
    std::vector<std::string> all = walk();
    ASSERT_EQ(4u, all.size());
    EXPECT_EQ(256u, all.back().size());  // cut at its field, terminated

    ASSERT_EQ(CTL_OK, ctl_read_event(0, &clear));
    EXPECT_TRUE(walk().empty());
}

TEST_F(DriverRequestsE2E, FailedEventReadLeavesTheRequest)
{
    EventRequest e;
    e.code = EVENT_NEXT_AFTER;
    e.handle = 1234;
    std::strcpy(e.record.text, "mine");
    EXPECT_EQ(CTLERR_ERRNO + 2, ctl_read_event(7, &e));  // no such controller
    EXPECT_EQ(1234u, e.handle);
    EXPECT_STREQ("mine", e.record.text);
}
