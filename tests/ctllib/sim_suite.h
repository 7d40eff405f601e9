// Base of the end-to-end suites: one mounted emulator per test suite, the
// library opened on it, and the emulator's request log parsed.
#pragma once

#include "sim_mount.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One line of kzmsim/log.
struct LoggedRequest {
    int entry = -1;
    uint32_t code = 0;
    uint32_t controller = 0;
    uint32_t service = 0;
    uint32_t opcode = 0;
    uint32_t key = 0;
    uint32_t target = 0;
    uint32_t dataSize = 0;
    uint32_t senseSize = 0;
    uint32_t status = 0;
    std::vector<uint8_t> record;
};

class SimSuite : public ::testing::Test {
protected:
    // Mounts the emulator with `scenario` and opens the library on it; the
    // recording module is loaded into row 1.
    static void mountWith(const std::string& scenario);
    static void unmount();
    void SetUp() override;

    static SimMount& sim() { return *mount_; }
    // Number of log lines so far.
    static size_t logSize();
    // The log lines from index `from` on.
    static std::vector<LoggedRequest> logFrom(size_t from);
    // The last log line (fails the test when there is none).
    static LoggedRequest lastLogged();

private:
    static std::unique_ptr<SimMount> mount_;
};
