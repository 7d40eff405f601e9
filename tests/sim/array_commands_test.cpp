// The emulated array firmware says no as a controller does: array commands
// with wrong targets, sizes, contents or states change nothing; whole host
// drive table writes are checked before they replace a table; the record
// names the first failed component.
#include "array_config.h"
#include "control_commands.h"
#include "driver.h"
#include "record_builder.h"

#include <gtest/gtest.h>

#include <string>

using namespace kzmsim;
using simtest::Bytes;
using simtest::runIoctl;

namespace {

// Drives 0-4 single disks, drive 5 a small one, drive 6 in a mirror with 7.
Scenario arrayMachine()
{
    Scenario s;
    std::string error;
    EXPECT_TRUE(parseScenario(R"({"controllers": [{"entry": 0, "profile": "new", "serial": 4660,
        "channels": [{"kind": 2, "devices": [{"target": 0}, {"target": 1}, {"target": 2}, {"target": 3},
                                              {"target": 4}, {"target": 5, "capacity": 1000},
                                              {"target": 6}, {"target": 8}]}],
        "logicalDrives": [{"number": 0, "members": [[0, 0]]}, {"number": 1, "members": [[0, 1]]},
                          {"number": 2, "members": [[0, 2]]}, {"number": 3, "members": [[0, 3]]},
                          {"number": 4, "members": [[0, 4]]}, {"number": 5, "members": [[0, 5]]},
                          {"number": 6, "members": [[0, 6]]}, {"number": 7, "members": [[0, 7]]}],
        "mirrors": [{"drives": [6, 7]}]}]})",
                              s, error))
        << error;
    return s;
}

constexpr uint32_t kSerial = 4660;

// An array record of `type` over `drives` (the first numbers the array).
Bytes arrayRecord(uint8_t type, std::initializer_list<uint8_t> drives)
{
    Bytes p(ARRAY_RECORD_SIZE, 0);
    p[AR_TYPE] = type;
    size_t k = 0;
    for (uint8_t n : drives) {
        wire::put32(p.data(), AR_SLOTS + AR_SLOT_SIZE * k, kSerial);
        p[AR_SLOTS + AR_SLOT_SIZE * k + 4] = n;
        ++k;
    }
    p[AR_SLOTS + AR_SLOT_SIZE * k + 4] = SLOT_END;
    p[AR_SLOTS + AR_SLOT_SIZE * k + 5] = SLOT_END;
    p[AR_NUMBER] = *drives.begin();
    p[AR_DATA_COUNT] = static_cast<uint8_t>(type == 4 ? k - 1 : k);
    p[AR_SLOT_COUNT] = static_cast<uint8_t>(k);
    wire::put32(p.data(), AR_SERIAL, kSerial);
    return p;
}

Bytes code(uint8_t c)
{
    return Bytes{c, 0, 0, 0};
}

// A host drive table of entries {number, start, size} on `carrier`.
Bytes table(uint8_t carrier, std::initializer_list<std::array<uint32_t, 3>> entries)
{
    Bytes p(16 + 20 * entries.size(), 0);
    wire::put32(p.data(), 0, static_cast<uint32_t>(entries.size()));
    wire::put32(p.data(), 4, 16);
    size_t k = 0;
    for (const auto& e : entries) {
        uint8_t* q = p.data() + 16 + 20 * k++;
        q[12] = static_cast<uint8_t>(e[0]);
        q[13] = carrier;
        wire::put32(q, 16, e[1]);
        wire::put32(q, 8, e[2]);
    }
    return p;
}

}  // namespace

TEST(ArrayCommands, RefusalsChangeNothing)
{
    struct Case {
        const char* name;
        uint32_t key;
        uint32_t target;
        Bytes param;
        uint32_t status;
    } cases[] = {
        {"create over a taken drive", 0x10000010, 1, arrayRecord(5, {1, 2, 3}), 0x08},
        {"create RAID 5 of two", 0x10000010, 3, arrayRecord(5, {3, 4}), 0x07},
        {"create RAID 3", 0x10000010, 3, arrayRecord(3, {3, 4, 5}), 0x07},
        {"create RAID 10 of plain drives", 0x10000010, 3, arrayRecord(10, {3, 4}), 0x07},
        {"create with a mirror component", 0x10000010, 3, arrayRecord(0, {3, 7}), 0x08},
        {"create numbered off its first slot", 0x10000010, 4, arrayRecord(0, {3, 4}), 0x07},
        {"create of 323 bytes", 0x10000010, 3, Bytes(323, 0), 0x07},
        {"record of no array", 0x10000012, 3, Bytes(324, 0), 0x06},
        {"verify while building", 0x1000001C, 0, code(0), 0x08},
        {"abort without a verify", 0x1000001C, 0, code(2), 0x08},
        {"verify code 1", 0x1000001C, 0, code(1), 0x07},
        {"rebuild query code 0", 0x1000001B, 0, code(0), 0x07},
        {"recalculation while building", 0x1000001A, 0, code(0), 0x08},
        {"hot fix too small", 0x10000015, 0, [] {
             Bytes p(280, 0xFF);
             wire::put32(p.data(), 0, kSerial);
             p[4] = 5;
             p[5] = 0;
             return p;
         }(), 0x07},
        {"hot fix list of 8 bytes", 0x10000015, 0, Bytes(8, 0), 0x07},
        {"remove a hot fix that is none", 0x10000016, 0, [] {
             Bytes p(280, 0xFF);
             wire::put32(p.data(), 0, kSerial);
             p[4] = 3;
             return p;
         }(), 0x06},
        {"patch to state 2", 0x10000028, 0, [] {
             Bytes p = arrayRecord(5, {0, 1, 2});
             p[AR_STATE] = 2;
             return p;
         }(), 0x07},
        {"capacity beyond the components", 0x1000002D, 0, Bytes{0xFF, 0xFF, 0xFF, 0xFF}, 0x07},
        {"expand while building", 0x1000002A, 0, arrayRecord(5, {3}), 0x08},
        {"remove the redundancy while building", 0x1000002F, 0, {}, 0x08},
        {"a component deleted", 0x0F, 1, {}, 0x08},
        {"a component given a host drive", 0x10010003, 1, table(1, {{{1, 0, 100}}}), 0x08},
        {"a component in the pool", 0x60, 0xFFFF, [] {
             Bytes p(16, 0);
             p[4] = 2;
             wire::put32(p.data(), 12, 0xFFFF);
             return p;
         }(), 0x08},
    };
    for (Case& k : cases) {
        SCOPED_TRACE(k.name);
        Driver d(arrayMachine());
        ControllerFirmware& fw = *d.firmware(0);
        Bytes made = arrayRecord(5, {0, 1, 2});
        ASSERT_EQ(runIoctl(fw, 0x10000010, 0, made), 1u);
        fw.raised.clear();
        Bytes before(ARRAY_RECORD_SIZE, 0);
        fillArrayRecord(fw, 0, before.data());
        EXPECT_EQ(runIoctl(fw, k.key, k.target, k.param) & 0xFFFF, k.status);
        Bytes after(ARRAY_RECORD_SIZE, 0);
        fillArrayRecord(fw, 0, after.data());
        EXPECT_EQ(after, before);
        EXPECT_EQ(fw.arrays.size(), 1u);
        EXPECT_EQ(fw.logicalDrives.size(), 8u);
        EXPECT_TRUE(fw.hostTables.empty());
        EXPECT_TRUE(fw.raised.empty());
    }
}

TEST(ArrayCommands, ListEntriesMarkMembersMasterAndParity)
{
    Driver d(arrayMachine());
    ControllerFirmware& fw = *d.firmware(0);
    Bytes made = arrayRecord(4, {0, 1, 2});
    ASSERT_EQ(runIoctl(fw, 0x10000010, 0, made), 1u);
    Bytes list(16 + 12 * 8, 0);
    wire::put32(list.data(), 0, 8);
    wire::put32(list.data(), 12, 16);
    ASSERT_EQ(runIoctl(fw, 0x10000034, 0xFFFFFFFF, list), 1u);
    auto entry = [&list](int n) { return list.data() + 16 + 12 * n; };
    EXPECT_EQ(entry(0)[5], 1);
    EXPECT_EQ(entry(0)[6], 1);
    EXPECT_EQ(entry(1)[6], 0);
    EXPECT_EQ(entry(2)[7], 1);  // the RAID-4 parity drive comes last
    EXPECT_EQ(entry(3)[5], 0);
}

TEST(ArrayCommands, HostDriveTablesAreCheckedWhole)
{
    struct Case {
        const char* name;
        Bytes param;
        uint32_t status;
    } cases[] = {
        {"two drives under the gap rule", table(3, {{{3, 100, 1000}}, {{9, 1200, 500}}}), 0x01},
        {"overlapping the gap", table(3, {{{3, 100, 1000}}, {{9, 1199, 500}}}), 0x07},
        {"a number twice", table(3, {{{3, 100, 1000}}, {{3, 1200, 500}}}), 0x07},
        {"past the carrier", table(3, {{{3, 0, 2097152}}, {{9, 2097152, 1}}}), 0x07},
        {"101 entries", [] {
             Bytes p(16 + 20 * 101, 0);
             wire::put32(p.data(), 0, 101);
             wire::put32(p.data(), 4, 16);
             return p;
         }(), 0x07},
        {"count and size apart", [] {
             Bytes p = table(3, {{{3, 100, 1000}}});
             wire::put32(p.data(), 0, 2);
             return p;
         }(), 0x07},
    };
    for (Case& k : cases) {
        SCOPED_TRACE(k.name);
        Driver d(arrayMachine());
        ControllerFirmware& fw = *d.firmware(0);
        EXPECT_EQ(runIoctl(fw, 0x10010003, 3, k.param) & 0xFFFF, k.status);
        EXPECT_EQ(fw.hostTables.count(3), k.status == 1 ? 1u : 0u);
        EXPECT_EQ(fw.raised.size(), k.status == 1 ? 2u : 0u);
    }
}

// Record bytes 20-23 name the slot whose component failed first: none while
// nothing failed, the same slot through its replacement's rebuild, none
// again once the rebuild clears the marks, and the earlier failure rather
// than the lower slot.
TEST(ArrayCommands, TheFirstFailedComponentIsRecorded)
{
    Driver d(arrayMachine());
    ControllerFirmware& fw = *d.firmware(0);
    Bytes made = arrayRecord(5, {0, 1, 2, 3});
    ASSERT_EQ(runIoctl(fw, 0x10000010, 0, made), 1u);
    auto firstFailed = [&fw] {
        Bytes r(ARRAY_RECORD_SIZE, 0);
        fillArrayRecord(fw, 0, r.data());
        return wire::get32(r.data(), AR_FIRST_FAILED);
    };
    auto fail = [&d](int id) {
        const std::string text = "fail 0 0 " + std::to_string(id) + "\n";
        ASSERT_GT(writeControl(d, text.data(), text.size()), 0) << text;
    };
    for (int i = 0; i < 20 && fw.arrays.at(0).state != ARRAY_READY; ++i) {
        Bytes q = code(3);
        runIoctl(fw, 0x1000001A, 0, q);
    }
    ASSERT_EQ(fw.arrays.at(0).state, ARRAY_READY);
    EXPECT_EQ(firstFailed(), 0xFFFFFFFFu) << "nothing failed";

    fail(2);
    EXPECT_EQ(fw.arrays.at(0).state, ARRAY_FAIL);
    EXPECT_EQ(firstFailed(), 2u);
    Bytes replace(16, 0);
    wire::put32(replace.data(), 0, kSerial);
    replace[4] = 2;
    replace[5] = 1;
    wire::put32(replace.data(), 8, kSerial);
    replace[12] = 4;
    ASSERT_EQ(runIoctl(fw, 0x10000018, 0, replace), 1u);
    EXPECT_EQ(firstFailed(), 2u) << "while the replacement rebuilds";
    for (int i = 0; i < 20 && fw.arrays.at(0).state == ARRAY_REBUILD; ++i) {
        Bytes q = code(3);
        runIoctl(fw, 0x1000001B, 0, q);
    }
    ASSERT_EQ(fw.arrays.at(0).state, ARRAY_READY);
    EXPECT_EQ(firstFailed(), 0xFFFFFFFFu) << "the rebuild cleared it";

    fail(1);
    fail(0);
    EXPECT_EQ(fw.arrays.at(0).state, ARRAY_ERROR);
    EXPECT_EQ(firstFailed(), 1u) << "the earlier failure, not the lower slot";
}
