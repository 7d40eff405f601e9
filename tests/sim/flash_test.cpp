// The emulated flash says no as a controller does: flash requests with a
// wrong log state word, byte sum, area, address or session handle; and it
// keeps real state: programming only clears bits, a restart loads only a
// complete image.
#include "driver.h"
#include "firmware_image.h"
#include "driver_exchange.h"
#include "record_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>

using namespace kzmsim;
using simtest::Bytes;
using simtest::CTRL;

namespace {

constexpr uint32_t NEW_LOG = 0x30;    // log state words of the profiles
constexpr uint32_t OLD_LOG = 0x10;
constexpr uint32_t NEW_BASE1 = 0xFFE00000;
constexpr uint32_t NEW_BASE2 = 0xFFD00000;

Driver flashMachine()
{
    Scenario s;
    std::string error;
    EXPECT_TRUE(parseScenario(R"({"controllers": [{"entry": 0, "profile": "new"}, {"entry": 1, "profile": "old"},
        {"entry": 2, "profile": "old", "firmwareVersion": "0x02130000"}]})", s, error)) << error;
    return Driver(s);
}

// A flash request: 43-byte header and the data.
Bytes flashRequest(uint32_t log, uint32_t argument, uint32_t offset, const Bytes& data, uint32_t component = 0)
{
    Bytes r(44 + data.size(), 0);
    wire::put32(r.data(), 0, static_cast<uint32_t>(r.size()));
    wire::put32(r.data(), 4, 1);
    wire::put32(r.data(), 8, log);
    wire::put32(r.data(), 12, 43);
    wire::put32(r.data(), 16, component);
    wire::put32(r.data(), 24, argument);
    wire::put32(r.data(), 28, offset);
    wire::put32(r.data(), 32, static_cast<uint32_t>(data.size()));
    wire::put32(r.data(), 36, std::accumulate(data.begin(), data.end(), 0u));
    r[40] = 1;
    std::copy(data.begin(), data.end(), r.begin() + 43);
    return r;
}

uint32_t flashSend(Driver& d, int entry, uint32_t key, Bytes& param)
{
    return simtest::sendIoctl(d, entry, key, CTRL, param);
}

uint32_t flashSend(Driver& d, int entry, uint32_t key, Bytes&& param) { return flashSend(d, entry, key, param); }

uint32_t handle(Driver& d, int entry, uint32_t preset = 0)
{
    Bytes p(4, 0);
    wire::put32(p.data(), 0, preset);
    const uint32_t status = flashSend(d, entry, 0x44, p);
    return status == 1 ? wire::get32(p.data(), 0) : 0x80000000 | status;
}

}  // namespace

TEST(Flash, RequestsAreRefusedAsTheControllerWould)
{
    Driver d = flashMachine();
    Bytes bad = flashRequest(NEW_LOG, 1, NEW_BASE1, Bytes(4, 0));
    bad[36] ^= 1;
    Bytes longer = flashRequest(NEW_LOG, 0, NEW_BASE1, Bytes(4, 0));
    wire::put32(longer.data(), 32, 2049);
    const struct {
        const char* name;
        int entry;
        uint32_t key;
        Bytes param;
        uint32_t status;
    } cases[] = {
        {"read: good", 0, 0x40, flashRequest(NEW_LOG, 0, NEW_BASE1, Bytes(52, 0)), 1},
        {"read: another log state word", 0, 0x40, flashRequest(NEW_LOG + 1, 0, NEW_BASE1, Bytes(52, 0)), 7},
        {"read: a length the record does not carry", 0, 0x40, longer, 7},
        {"read: past the area", 0, 0x40, flashRequest(NEW_LOG, 0, 0xFFFFFFF0, Bytes(32, 0)), 7},
        {"read: below the flash", 0, 0x40, flashRequest(NEW_LOG, 0, 0x1000, Bytes(4, 0)), 7},
        {"component: kept 13", 0, 0x42, flashRequest(NEW_LOG, 0, 0, Bytes(36, 0), 13), 1},
        {"component: one the flash lacks", 0, 0x42, flashRequest(NEW_LOG, 0, 0, Bytes(36, 0), 34), 6},
        {"component: past its data", 0, 0x42, flashRequest(NEW_LOG, 0, 230, Bytes(36, 0), 13), 7},
        {"write: wrong byte sum", 0, 0x41, bad, 7},
        {"write: area 3", 0, 0x41, flashRequest(NEW_LOG, 3, NEW_BASE1, Bytes(4, 0)), 7},
        {"write: area 2 at an address of area 1", 0, 0x41, flashRequest(NEW_LOG, 2, NEW_BASE1, Bytes(4, 0)), 7},
        {"write: area 2 at its base", 0, 0x41, flashRequest(NEW_LOG, 2, NEW_BASE2 + 0x100, Bytes(4, 0)), 1},
        {"write: area 2 of a board without one", 1, 0x41, flashRequest(OLD_LOG, 2, 0xFFF80000, Bytes(4, 0)), 6},
        {"write: staging firmware does not know it", 2, 0x41, flashRequest(OLD_LOG, 1, 0xFFF80000, Bytes(4, 0)), 9},
        {"session write: no handle out", 0, 0x46, flashRequest(NEW_LOG, 1, 0, Bytes(4, 0)), 6},
        {"open: no handle out", 0, 0x47, flashRequest(NEW_LOG, 1, 0, {}), 6},
        {"close: no handle out", 0, 0x48, flashRequest(NEW_LOG, 1, 0, {}), 6},
        {"erase: area 2 of a board without one", 1, 0x4C, flashRequest(OLD_LOG, 2, 0, {}), 6},
        {"erase: another log state word", 1, 0x4C, flashRequest(NEW_LOG, 1, 0, {}), 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes p = c.param;
        EXPECT_EQ(flashSend(d, c.entry, c.key, p), c.status);
        if (c.status == 1 && (c.key == 0x40 || c.key == 0x42)) {
            const size_t n = wire::get32(p.data(), 32);
            EXPECT_EQ(wire::get32(p.data(), 36), std::accumulate(p.begin() + 43, p.begin() + 43 + n, 0u));
        }
    }
}

TEST(Flash, ProgrammingOnlyClearsBitsAndEraseSetsThemAgain)
{
    Driver d = flashMachine();
    const uint32_t at = NEW_BASE1 + 0x100000;  // erased at start
    ASSERT_EQ(flashSend(d, 0, 0x41, flashRequest(NEW_LOG, 1, at, {0x0F, 0xF0})), 1u);
    ASSERT_EQ(flashSend(d, 0, 0x41, flashRequest(NEW_LOG, 1, at, {0xFF, 0x3C})), 1u);
    Bytes r = flashRequest(NEW_LOG, 0, at, Bytes(2, 0));
    ASSERT_EQ(flashSend(d, 0, 0x40, r), 1u);
    EXPECT_EQ(r[43], 0x0F);
    EXPECT_EQ(r[44], 0x30);
    ASSERT_TRUE(writeControl(d, "badsum 0\n", 9) > 0);
    r = flashRequest(NEW_LOG, 0, at, Bytes(2, 0));
    ASSERT_EQ(flashSend(d, 0, 0x40, r), 1u);
    EXPECT_NE(wire::get32(r.data(), 36), 0x3Fu) << "the armed fault answers a wrong sum once";

    ASSERT_EQ(flashSend(d, 0, 0x4C, flashRequest(NEW_LOG, 1, 0, {})), 1u);
    EXPECT_TRUE(std::all_of(d.firmware(0)->flash.areas[0].bytes.begin(), d.firmware(0)->flash.areas[0].bytes.end(),
                            [](uint8_t b) { return b == 0xFF; }));
    ASSERT_EQ(writeControl(d, "reboot 0\n", 9), 9);
    EXPECT_EQ(d.firmware(0)->identity.board.firmwareVersion, 0x0221000Cu) << "an erased flash starts nothing new";
}

TEST(Flash, HandleAndSessionOfStagingFirmware)
{
    Driver d = flashMachine();
    const uint32_t h = handle(d, 2);
    EXPECT_EQ(handle(d, 2), 0x8000FFF8u) << "a handle is out";
    const uint32_t h2 = handle(d, 2, 0xFFFFFFFF);
    EXPECT_NE(h2, h);

    // Staged writes reach the flash only when the session opens.
    const std::vector<uint8_t> before = d.firmware(2)->flash.areas[0].bytes;
    Bytes header(52, 0);
    wire::put32(header.data(), 28, 0x02130007);
    wire::put16(header.data(), 12, 0x0004);  // incomplete until the firmware applies it
    EXPECT_EQ(flashSend(d, 2, 0x46, flashRequest(OLD_LOG, h, 0, header)), 6u) << "the old handle is gone";
    ASSERT_EQ(flashSend(d, 2, 0x46, flashRequest(OLD_LOG, h2, 0, header)), 1u);
    EXPECT_EQ(d.firmware(2)->flash.areas[0].bytes, before);
    ASSERT_EQ(flashSend(d, 2, 0x47, flashRequest(OLD_LOG, h2, 0, {})), 1u);
    EXPECT_EQ(wire::get32(d.firmware(2)->flash.areas[0].bytes.data(), 28), 0x02130007u);
    ASSERT_EQ(flashSend(d, 2, 0x48, flashRequest(OLD_LOG, h2, 0, {})), 1u);
    ASSERT_EQ(writeControl(d, "reboot 2\n", 9), 9);
    EXPECT_EQ(d.firmware(2)->identity.board.firmwareVersion, 0x02130007u);
    EXPECT_EQ(handle(d, 2), h2 + 1) << "closing released the handle";
}

TEST(Flash, ControlCommandsParse)
{
    Driver d = flashMachine();
    for (const char* bad : {"badsum\n", "badsum x\n", "reboot\n", "status 0 0x41 16 after 0\n", "status 0 0x41 16 after\n"})
        EXPECT_LT(writeControl(d, bad, std::strlen(bad)), 0) << bad;
    const std::string ok = "status 0 0x41 0x10 after 2\n";
    ASSERT_GT(writeControl(d, ok.data(), ok.size()), 0);
    const uint32_t at = NEW_BASE1 + 0x100000;
    EXPECT_EQ(flashSend(d, 0, 0x41, flashRequest(NEW_LOG, 1, at, {0})), 1u);
    EXPECT_EQ(flashSend(d, 0, 0x41, flashRequest(NEW_LOG, 1, at, {0})), 0x10u);
    EXPECT_EQ(flashSend(d, 0, 0x41, flashRequest(NEW_LOG, 1, at, {0})), 1u);
}
