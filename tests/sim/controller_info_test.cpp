// The records a controller object reads for its information, per firmware
// profile: values, sizes, and writes that read back.
#include "controller_firmware.h"
#include "driver_layout.h"
#include "record_builder.h"

#include <byte_order.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace kzmsim;
using simtest::Bytes;

namespace {

ControllerSpec specOf(const std::string& controllerJson)
{
    Scenario s;
    std::string error;
    EXPECT_TRUE(parseScenario(R"({"controllers": [)" + controllerJson + "]}", s, error)) << error;
    return s.controllers.empty() ? ControllerSpec{} : s.controllers[0];
}

// A request of `size` bytes for `key` with word 0 and the presets a reader
// gives it (pages, board details, the active cache set).
Bytes presetRequest(uint32_t key, size_t size, uint32_t word0)
{
    Bytes p(size, 0);
    if (size >= 4)
        wire::put32(p.data(), 0, word0);
    if ((key == 0x29 || key == 0x2A) && size == 380) {
        wire::put32(p.data(), 4, 0xFFFFFFFF);
        p[364] = 15;
    } else if (key == 0x5F && size == 237) {
        wire::put32(p.data(), 0, 237);
        wire::put32(p.data(), 104, 512);
        wire::put32(p.data(), 184, 0xFFFFFFFF);
        p[236] = 0xFF;
    } else if (key >= 0x31 && key <= 0x33 && size > 4) {
        p[4] = 50;
    }
    return p;
}

// The target of a request: channel `word0` for the channel records, the log
// for the log state, else the controller.
uint32_t targetFor(uint32_t key, uint32_t word0)
{
    if (key == 0x2000002F)
        return 0x2FFFF;
    const bool channelRecord = key == 0x2000003E || key == 0x20000080 || key == 0x20000081;
    return channelRecord ? ControllerFirmware::channelAddress(word0) | 0xFFFF : 0xFFFF;
}

// Reads a record of `size` bytes; fails the test on a status other than success.
Bytes read(ControllerFirmware& fw, uint32_t key, size_t size, uint32_t word0 = 0)
{
    Bytes p = presetRequest(key, size, word0);
    EXPECT_EQ(simtest::runIoctl(fw, key, targetFor(key, word0), p), FW_STATUS_OK) << std::hex << key;
    return p;
}

std::string text(const Bytes& r, size_t off, size_t width)
{
    std::string s(r.begin() + off, r.begin() + off + width);
    return s.substr(0, s.find('\0'));
}

// The channel kinds as the channel descriptions list them.
std::vector<uint8_t> channelKinds(ControllerFirmware& fw)
{
    Bytes p(12 + 8 * 6, 0);
    wire::put32(p.data(), 0, 0xFFFFFFFF);
    p[4] = 6, p[5] = 0, p[6] = 5;
    wire::put32(p.data(), 8, 12);
    EXPECT_EQ(simtest::runIoctl(fw, 0x5D, 0xFFFF, p), FW_STATUS_OK);
    std::vector<uint8_t> kinds;
    for (size_t i = 0; i < p[7]; ++i)
        kinds.push_back(p[12 + 8 * i + 4]);
    return kinds;
}

}  // namespace

TEST(ControllerInfo, EachProfileAnswersItsGeneration)
{
    struct Case {
        const char* profile;
        uint16_t levelWord;
        uint32_t firmwareVersion;
        const char* typeName;
        std::vector<uint8_t> kinds;
        uint8_t featureByte;
        uint8_t secondOptionCount;  // configuration page A byte 364
        uint32_t configVersion;
        uint8_t clusterBits;
        uint32_t hostDriveRecord;   // status of key 0x10010006
        uint32_t enclosureRecord;   // status of key 0x20023
        uint32_t nonBuildValue;     // key 0x6E value word, or none when unanswered
    } cases[] = {
        {"old", 0x216, 0x02160012, "KZM6117RD", {2, 2}, 0x01, 0, 0x50001, 0, FW_STATUS_NOT_SUPPORTED,
         FW_STATUS_NOT_SUPPORTED, 0},
        {"middle", 0x217, 0x021C0006, "KZM6528RS", {2, 2, 2}, 0x33, 15, 0x50003, 0, FW_STATUS_NOT_SUPPORTED,
         FW_STATUS_OK, 0},
        {"new", 0x21E, 0x0221000C, "KZM8530RZ", {2, 3, 4}, 0x33, 15, 0x60001, 0x0D, FW_STATUS_OK, FW_STATUS_OK, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile);
        ControllerFirmware fw(specOf(std::string(R"({"profile": ")") + c.profile + "\"}"));

        EXPECT_EQ(wire::get16(read(fw, 0x04, 36).data(), 0), c.levelWord);
        const Bytes board = read(fw, 0x28, 84);
        EXPECT_EQ(wire::get32(board.data(), 24), c.firmwareVersion);
        EXPECT_EQ(text(board, 32, 16), c.typeName);
        EXPECT_EQ(board[18], c.kinds.size()) << "channel count";
        EXPECT_NE(board[19], 0) << "RAID firmware";
        EXPECT_EQ(channelKinds(fw), c.kinds);
        EXPECT_EQ(read(fw, 0x15, 4)[3], c.featureByte);

        const Bytes pageA = read(fw, 0x29, 380, 380);
        EXPECT_EQ(wire::get32(pageA.data(), 4), c.configVersion);
        EXPECT_EQ(pageA[364], c.secondOptionCount);
        EXPECT_EQ(wire::get32(read(fw, 0x2A, 380, 380).data(), 4), c.configVersion);
        EXPECT_EQ(read(fw, 0x5F, 237)[20], c.clusterBits);

        Bytes cluster(8, 0);
        EXPECT_EQ(simtest::runIoctl(fw, 0x10010006, 0xFFFFFFFF, cluster), c.hostDriveRecord);
        Bytes enclosure(12, 0);
        wire::put32(enclosure.data(), 0, 0x30000);
        EXPECT_EQ(simtest::runIoctl(fw, 0x20023, 0xFFFF, enclosure), c.enclosureRecord);
        Bytes param(10, 0);
        wire::put32(param.data(), 0, 1);
        const uint32_t status = simtest::runIoctl(fw, 0x6E, 0xFFFF, param);
        if (c.enclosureRecord == FW_STATUS_OK) {
            EXPECT_EQ(status, FW_STATUS_OK);
            EXPECT_EQ(wire::get32(param.data(), 4), c.nonBuildValue);
        } else {
            EXPECT_EQ(status, FW_STATUS_NOT_SUPPORTED);
        }
    }
}

TEST(ControllerInfo, EveryRecordHasItsFixedSize)
{
    // Channel 1 of the new profile is its Fibre Channel channel.
    struct Case {
        uint32_t key;
        size_t size;
        uint32_t word0;  // the request's first word (kind, channel or query)
    } cases[] = {
        {0x15, 4, 0},           {0x28, 84, 0},         {0x29, 380, 380},      {0x2A, 380, 380},
        {0x2B, 380, 380},       {0x31, 72, 0},         {0x32, 72, 0},         {0x33, 72, 0},
        {0x34, 16, 0},          {0x4E, 16, 1},         {0x5F, 237, 237},      {0x7E, 4, 0},
        {0x16, 1, 0},           {0x17, 1, 0},          {0x2000002F, 4, 0},    {0x2000003E, 20, 1},
        {0x20000080, 138, 1},   {0x20000081, 40, 1},
        {0x20023, 12, 0x30000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.key);
        ControllerFirmware fw(specOf(R"({"profile": "new"})"));
        const uint32_t target = targetFor(c.key, c.word0);
        for (size_t size : {c.size - 1, c.size + 1}) {
            Bytes p = presetRequest(c.key, c.size, c.word0);
            p.resize(size);
            EXPECT_EQ(simtest::runIoctl(fw, c.key, target, p), FW_STATUS_BAD_RECORD) << size;
        }
        Bytes p = presetRequest(c.key, c.size, c.word0);
        EXPECT_EQ(simtest::runIoctl(fw, c.key, target, p), FW_STATUS_OK);
    }
    // Builders agree with the sizes.
    const BoardSpec& b = findProfile("new")->board;
    EXPECT_EQ(boardInformation(b, 3).size(), BOARD_INFO_SIZE);
    EXPECT_EQ(boardDetails(b).size(), BOARD_DETAILS_SIZE);
    EXPECT_EQ(flashRecord(b, 2).size(), CONTROLLER_RECORD_SIZE);
}

TEST(ControllerInfo, RecordsRefuseWrongContents)
{
    ControllerFirmware fw(specOf(R"({"profile": "new"})"));
    struct Case {
        const char* name;
        uint32_t key;
        size_t size;
        uint32_t word0;
        uint32_t status;
    } cases[] = {
        {"page write without its size word", 0x2B, 380, 0, FW_STATUS_BAD_RECORD},
        {"controller record of kind 3", 0x4E, 16, 3, FW_STATUS_BAD_RECORD},
        {"controller parameter of kind 2", 0x6E, 10, 2, FW_STATUS_BAD_RECORD},
        {"enclosure record without its query", 0x20023, 12, 0, FW_STATUS_BAD_RECORD},
        {"channel record of no channel", 0x2000003E, 20, 3, FW_STATUS_INVALID_TARGET},
        {"loop record of a SCSI channel", 0x20000080, 138, 0, FW_STATUS_INVALID_TARGET},
        {"port record of a SATA channel", 0x20000081, 40, 2, FW_STATUS_INVALID_TARGET},
    };
    for (const Case& c : cases) {
        Bytes p(c.size, 0);
        wire::put32(p.data(), 0, c.word0);
        EXPECT_EQ(simtest::runIoctl(fw, c.key, targetFor(c.key, c.word0), p), c.status) << c.name;
    }
}

TEST(ControllerInfo, BoardRecordsCarryTheProfileAndTheScenario)
{
    ControllerFirmware fw(specOf(R"({"profile": "new", "typeName": "KZM TEST", "serial": 77,
        "firmwareVersion": "0x02200001", "firmwareRevision": "0x0B2", "features": "0x20000101",
        "cacheSize": "0x2000000", "clusterBits": 1, "enclosureConfigs": 2, "logState": "0x1234",
        "ramType": 4, "ramCheck": 1,
        "channels": [{"kind": 2, "ownId": 5, "chip": 9}, {"kind": 3, "ownId": 4}]})"));
    const Bytes board = read(fw, 0x28, 84);
    EXPECT_EQ(wire::get32(board.data(), 0), 77u);
    EXPECT_EQ(wire::get32(board.data(), 8), 0x28u);
    EXPECT_EQ(wire::get32(board.data(), 12), 0x2000000u);
    EXPECT_EQ(board[18], 2);
    EXPECT_EQ(wire::get32(board.data(), 24), 0x02200001u);
    EXPECT_EQ(wire::get32(board.data(), 28), 0x0B2u);
    EXPECT_EQ(text(board, 32, 16), "KZM TEST");
    EXPECT_EQ(text(board, 48, 16), "RAID-0/1/4/5/10");
    EXPECT_EQ(board[64], 4) << "RAM type";
    EXPECT_EQ(board[65], 1) << "RAM check";
    EXPECT_EQ(read(fw, 0x15, 4), (Bytes{1, 1, 0, 0x20}));

    const Bytes details = read(fw, 0x5F, 237);
    EXPECT_EQ(details[4] & 1, 1) << "enclosure support";
    EXPECT_EQ(details[20], 1);
    EXPECT_EQ(wire::get32(details.data(), 212), 1200u * 512);
    EXPECT_EQ(text(details, 220, 16), "KZM_RPFW.*");
    EXPECT_EQ(details[236], 10);

    const Bytes flash1 = read(fw, 0x4E, 16, 1);
    EXPECT_EQ(wire::get32(flash1.data(), 4), 0x200000u);
    EXPECT_EQ(wire::get32(flash1.data(), 12), 1u) << "boot flag";
    EXPECT_EQ(wire::get32(read(fw, 0x4E, 16, 2).data(), 8), 0xFFD00000u);
    EXPECT_EQ(wire::get32(read(fw, 0x20023, 12, 0x30000).data(), 4), 2u);
    EXPECT_EQ(wire::get32(read(fw, 0x2000002F, 4).data(), 0), 0x1234u);

    // Channel records: the scenario's chip on SCSI, the Fibre Channel chip on FC.
    const Bytes scsi = read(fw, 0x2000003E, 20, 0);
    EXPECT_EQ(scsi[0], 0);
    EXPECT_EQ(scsi[1], 9);
    EXPECT_EQ(read(fw, 0x2000003E, 20, 1)[1], CHIP_FIBRE_CHANNEL);
    const Bytes pageA = read(fw, 0x29, 380, 380);
    EXPECT_EQ(pageA[16], 0x85) << "own ID 5, termination on, no domain validation on chip 9";
    EXPECT_EQ(pageA[36], 1);
    EXPECT_EQ(pageA[17], 4);
    EXPECT_EQ(pageA[37], 0);

    const Bytes loop = read(fw, 0x20000080, 138, 1);
    EXPECT_EQ(wire::get32(loop.data(), 0), 1u);
    EXPECT_EQ(wire::get16(loop.data(), 4), 1062);
    EXPECT_EQ(loop[114], 3) << "FC-AL";
    EXPECT_EQ(wire::get32(loop.data(), 108), 77u) << "World Wide Name from the serial number";
    const Bytes port = read(fw, 0x20000081, 40, 1);
    EXPECT_EQ(wire::get32(port.data(), 4), 3u);
    EXPECT_EQ(wire::get32(port.data(), 8), 4u) << "FC-AL address: the own ID";
}

TEST(ControllerInfo, ConfigurationPageWriteReadsBack)
{
    ControllerFirmware fw(specOf(R"({"profile": "middle"})"));
    Bytes page = read(fw, 0x29, 380, 380);
    page[12] = 3;                 // BIOS disabled
    page[16 + 1] = 0x80 | 5;      // channel 1: own ID 5
    page[365] = 0x11;
    Bytes write = page;
    ASSERT_EQ(simtest::runIoctl(fw, 0x2B, 0xFFFF, write), FW_STATUS_OK);

    const Bytes again = read(fw, 0x29, 380, 380);
    EXPECT_EQ(again[12], 3);
    EXPECT_EQ(again[17], 0x85);
    EXPECT_EQ(again[365], 0x11);
    EXPECT_EQ(wire::get32(again.data(), 4), 0x50003u) << "the version word stays the firmware's";
    Bytes info(10, 0);
    wire::put32(info.data(), 0, 1);
    ASSERT_EQ(simtest::runIoctl(fw, 0x20000005, 0x3FFFF, info), FW_STATUS_OK);
    EXPECT_EQ(info[8], 5) << "the channel's own ID follows the page";
    EXPECT_EQ(read(fw, 0x2A, 380, 380)[12], 0) << "page B is not written";
}

TEST(ControllerInfo, CacheSetsLogStateAndNonBuildModeReadBack)
{
    ControllerFirmware fw(specOf(R"({"profile": "new"})"));
    auto setPage = [](uint8_t set, uint32_t word12) {
        Bytes p(72, 0);
        p[4] = set;
        wire::put32(p.data(), 12, word12);
        return p;
    };
    Bytes active = setPage(50, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x31, 0xFFFF, active), FW_STATUS_OK);
    EXPECT_EQ(active[4], 50);
    EXPECT_EQ(wire::get32(active.data(), 12), 4u) << "factory NUM_SETS";

    Bytes written = setPage(51, 16);
    ASSERT_EQ(simtest::runIoctl(fw, 0x32, 0xFFFF, written), FW_STATUS_OK);
    Bytes back = setPage(51, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x31, 0xFFFF, back), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(back.data(), 12), 16u);
    Bytes other = setPage(50, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x31, 0xFFFF, other), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(other.data(), 12), 4u) << "other sets keep their values";
    Bytes reset = setPage(51, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x33, 0xFFFF, reset), FW_STATUS_OK);
    back = setPage(51, 0);
    ASSERT_EQ(simtest::runIoctl(fw, 0x31, 0xFFFF, back), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(back.data(), 12), 4u) << "reset to factory values";

    Bytes limits(16, 0);
    wire::put32(limits.data(), 8, 500);
    ASSERT_EQ(simtest::runIoctl(fw, 0x34, 0xFFFF, limits), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(limits.data(), 8), LARGEST_PARITY_FRACTION);

    Bytes log(4, 0);
    wire::put32(log.data(), 0, 0x77);
    ASSERT_EQ(simtest::runIoctl(fw, 0x7E, 0xFFFF, log), FW_STATUS_OK);
    EXPECT_EQ(wire::get32(read(fw, 0x2000002F, 4).data(), 0), 0x77u);

    auto nonBuild = [&](uint8_t write, uint8_t on) {
        Bytes p(10, 0);
        wire::put32(p.data(), 0, 1);
        p[8] = write;
        p[9] = on;
        EXPECT_EQ(simtest::runIoctl(fw, 0x6E, 0xFFFF, p), FW_STATUS_OK);
        return p;
    };
    EXPECT_EQ(nonBuild(0, 0)[9], 0);
    nonBuild(1, 1);
    const Bytes on = nonBuild(0, 0);
    EXPECT_EQ(wire::get32(on.data(), 4), 1u);
    EXPECT_EQ(on[9], 1) << "non-build mode on";
    nonBuild(1, 0);
    EXPECT_EQ(nonBuild(0, 0)[9], 0);

    ControllerFirmware middle(specOf(R"({"profile": "middle"})"));
    Bytes p(10, 0);
    wire::put32(p.data(), 0, 1);
    p[8] = 1;
    p[9] = 1;
    EXPECT_EQ(simtest::runIoctl(middle, 0x6E, 0xFFFF, p), FW_STATUS_NOT_SUPPORTED) << "not offered";
}

// The hardware values of the Save Information report at their offsets of the
// board information and board details, per profile and overridden by a scenario.
TEST(ControllerInfoRecords, TheReportsHardwareValuesLieInTheBoardRecords)
{
    const struct Case {
        const char* controller;
        uint8_t ramSpeed, banks, levelValid, level, options, acpi;
        uint32_t processor;
        uint8_t sdram0, batteryState;
        const char* battery;
    } cases[] = {
        {R"({"profile": "old"})", 60, 2, 0, 2, 0x11, 0, 1, 0, 0, ""},
        {R"({"profile": "middle"})", 0, 1, 1, 3, 0x0C, 0, 2, 0x10, 0, ""},
        {R"({"profile": "new"})", 10, 2, 1, 5, 0x1F, 1, 3, 0x40, 0x86, "BBU-64"},
        {R"({"profile": "old", "ramSpeed": 70, "ramBanks": 4, "hardwareLevel": 9, "installedOptions": 2,
             "batteryModule": "B1", "batteryState": 129, "processorType": 7})",
         70, 4, 1, 9, 0x02, 0, 7, 0, 0x81, "B1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.controller);
        ControllerFirmware fw(specOf(c.controller));
        const Bytes board = read(fw, 0x28, 84);
        EXPECT_EQ(board[66], c.ramSpeed);
        EXPECT_EQ(board[67], c.banks);
        const Bytes details = read(fw, 0x5F, 237);
        EXPECT_EQ(details[5], c.levelValid);
        EXPECT_EQ(details[6], c.level);
        EXPECT_EQ(details[7], c.options);
        EXPECT_EQ(details[8], c.acpi);
        EXPECT_EQ(details[23], c.batteryState);
        EXPECT_EQ(wire::get32(details.data(), 44), c.processor);
        EXPECT_EQ(details[112], c.sdram0);
        EXPECT_EQ(details[175], c.sdram0 ? c.sdram0 + 63 : 0);
        EXPECT_EQ(text(details, 188, 16), c.battery);
        // The preset words the reader gives stay as they were.
        EXPECT_EQ(wire::get32(details.data(), 104), 512u);
    }
}
