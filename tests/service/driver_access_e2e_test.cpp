// The service's way to the controllers under many threads at once, against
// the emulator: every request gets its own reply (a write is never followed
// by another thread's read on the same controller file), none is lost or
// carried out twice, and the requests of one controller's file that wait
// while another thread holds it are carried out by the holder or handed on.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "ctl_request.h"
#include "driver_access.h"
#include "local_module.h"
#include "sim_mount.h"

namespace {

// The parameter bytes of an IOCTL read through the service's driver access.
CtlResult ioctlRead(uint16_t controller, uint32_t key, uint16_t size, std::vector<uint8_t>& param)
{
    param.assign(size, 0);
    CtlCommand cmd;
    cmd.opcode = CTLOP_IOCTL;
    cmd.size = size;
    cmd.key = key;
    cmd.target = CTL_TARGET_CONTROLLER;
    cmd.param = param.data();
    CtlRequest r;
    r.function = CTLFN_COMMAND;
    r.readOnly = 1;
    r.service = CTLSVC_CACHE;
    r.length = CTL_COMMAND_WIRE_SIZE;
    r.buffer = &cmd;
    return driver_request(controller, &r);
}

// IOCTL reads of `key` in the emulator's log.
long loggedReads(const SimMount& sim, uint32_t key)
{
    char field[32];
    std::snprintf(field, sizeof field, "\t%u\t0x%08X\t", unsigned{CTLOP_IOCTL}, key);  // opcode, key
    long n = 0;
    for (const std::string& line : sim.log())
        if (line.find(field) != std::string::npos)
            ++n;
    return n;
}

TEST(DriverAccess, ManyThreadsOnTwoControllersEachGetTheirOwnReplies)
{
    SimMount sim;
    ASSERT_TRUE(sim.ok());
    sim.exportRoot();
    uint8_t access = 0xFF;
    int handle = -1;
    ASSERT_EQ(CTL_OK, local_open(LOCAL_INTERFACE_NAME, &access, &handle, nullptr, nullptr));

    // Two reads per controller whose answers differ, so that a reply meant
    // for another thread shows in its bytes.
    struct Read {
        uint16_t controller;
        uint32_t key;
        uint16_t size;
        std::vector<uint8_t> expected;
    };
    std::vector<Read> reads = {{0, 0x28, 84, {}}, {0, 0x04, 36, {}}, {1, 0x28, 84, {}}, {1, 0x04, 36, {}}};
    for (Read& r : reads)
        ASSERT_EQ(CTL_OK, ioctlRead(r.controller, r.key, r.size, r.expected));
    ASSERT_NE(reads[0].expected, reads[2].expected);
    const long boardBefore = loggedReads(sim, 0x28), cacheBefore = loggedReads(sim, 0x04);
    int expectedCount = 0;
    ASSERT_EQ(CTL_OK, driver_controller_count(&expectedCount));

    // Twelve threads, three per read, so that several wait for each
    // controller at once; one more asks for the controller count, which
    // travels through the first controller's file as well.
    constexpr int THREADS_PER_READ = 3, ROUNDS = 40;
    std::atomic<int> wrong{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (const Read& r : reads)
        for (int t = 0; t < THREADS_PER_READ; ++t)
            threads.emplace_back([&, r] {
                while (!go.load())
                    std::this_thread::yield();
                std::vector<uint8_t> got;
                for (int i = 0; i < ROUNDS; ++i)
                    if (ioctlRead(r.controller, r.key, r.size, got) != CTL_OK || got != r.expected)
                        ++wrong;
            });
    threads.emplace_back([&] {
        while (!go.load())
            std::this_thread::yield();
        for (int i = 0; i < ROUNDS; ++i) {
            int count = -1;
            if (driver_controller_count(&count) != CTL_OK || count != expectedCount)
                ++wrong;
        }
    });
    go.store(true);
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(0, wrong.load());

    // Each request reached the emulator exactly once.
    const long perKey = 2L * THREADS_PER_READ * ROUNDS;
    EXPECT_EQ(perKey, loggedReads(sim, 0x28) - boardBefore);
    EXPECT_EQ(perKey, loggedReads(sim, 0x04) - cacheBefore);
    EXPECT_EQ(CTL_OK, local_close(handle));
}

}  // namespace
