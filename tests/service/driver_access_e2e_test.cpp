// The service's way to the controllers under many threads at once, against
// the emulator: every request gets its own reply (a write is never followed
// by another thread's read on the same controller file), none is lost or
// carried out twice, and the requests of one controller's file that wait
// while another thread holds it are carried out by the holder or handed on.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ctl_request.h"
#include "driver_access.h"
#include "ioctl_read.h"
#include "local_module.h"
#include "sim_mount.h"

namespace {

// The parameter bytes of an IOCTL read through the service's driver access;
// with `files`, as the connection threads send it, leaving the read file to
// the caller.
CtlResult ioctlRead(uint16_t controller, uint32_t key, uint16_t size, std::vector<uint8_t>& param,
                    DrvFiles* files = nullptr)
{
    CtlCommand cmd;
    CtlRequest r;
    prepareIoctlRead(key, size, param, cmd, r);
    return driver_request(controller, &r, files);
}

// The number of open descriptors of this process.
size_t openDescriptors()
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
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
            threads.emplace_back([&, r, t] {
                while (!go.load())
                    std::this_thread::yield();
                std::vector<uint8_t> got;
                // Every other thread sends as a connection thread does: the
                // write file opened before its turn, the read file closed
                // after it, while other threads already use the controller.
                const bool keepFiles = t % 2 == 1;
                for (int i = 0; i < ROUNDS; ++i) {
                    DrvFiles files;
                    if (ioctlRead(r.controller, r.key, r.size, got, keepFiles ? &files : nullptr) != CTL_OK ||
                        got != r.expected || files.writeFd != -1 || (files.readFd >= 0) != keepFiles)
                        ++wrong;
                    drvCloseFiles(files);
                }
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
    const size_t descriptors = openDescriptors();
    go.store(true);
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(0, wrong.load());
    EXPECT_EQ(descriptors, openDescriptors());  // no driver file stayed open

    // Each request reached the emulator exactly once.
    const long perKey = 2L * THREADS_PER_READ * ROUNDS;
    EXPECT_EQ(perKey, loggedReads(sim, 0x28) - boardBefore);
    EXPECT_EQ(perKey, loggedReads(sim, 0x04) - cacheBefore);
    EXPECT_EQ(CTL_OK, local_close(handle));
}

TEST(DriverAccess, ARefusedCommandOpensNoFile)
{
    SimMount sim;
    ASSERT_TRUE(sim.ok());
    sim.exportRoot();
    uint8_t access = 0xFF;
    int handle = -1;
    ASSERT_EQ(CTL_OK, local_open(LOCAL_INTERFACE_NAME, &access, &handle, nullptr, nullptr));
    const size_t lines = sim.log().size();
    const size_t descriptors = openDescriptors();
    std::vector<uint8_t> got;
    DrvFiles files;
    // A controller without a driver entry, then a service the driver does not take.
    EXPECT_EQ(CTLERR_ERRNO + ENOENT, ioctlRead(7, 0x28, 84, got, &files));
    EXPECT_EQ(-1, files.writeFd);
    EXPECT_EQ(-1, files.readFd);
    CtlCommand cmd;
    cmd.opcode = 6;
    CtlRequest r;
    r.function = CTLFN_COMMAND;
    r.service = 5;
    r.length = CTL_COMMAND_WIRE_SIZE;
    r.buffer = &cmd;
    EXPECT_EQ(CTLERR_NOT_SERVED, driver_request(0, &r, &files));
    EXPECT_EQ(-1, files.writeFd);
    EXPECT_EQ(-1, files.readFd);
    EXPECT_EQ(descriptors, openDescriptors());
    EXPECT_EQ(lines, sim.log().size());
    EXPECT_EQ(CTL_OK, local_close(handle));
}

}  // namespace
