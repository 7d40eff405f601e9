// The packet handler without a network: the generator's published test
// vector, the read-only decision, and random and mutated packets fed to the
// handler with buffers of exactly the received size.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "byte_order.h"
#include "config_file.h"
#include "ctl_command_table.h"
#include "ctl_driver_records.h"
#include "ctl_errors.h"
#include "ctl_request.h"
#include "driver_packet.h"
#include "ranmar.h"
#include "request_access.h"
#include "request_handler.h"
#include "service_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// A connection that has logged in with the given access class; nothing is
// logged and no user database is read.
struct LoggedIn : ::testing::Test {
    ConnectionRecord rec;
    void SetUp() override
    {
        settings_reset();
        g_settings.logLevel = -1;
        config_free_lists();
        rec.sock.fd = 9;
        std::strcpy(rec.userName, "admin");
    }
    void TearDown() override { settings_reset(); }
};

// A driver request packet carrying `body` after the header.
std::vector<uint8_t> driverPacket(uint16_t id, uint16_t function, uint8_t service,
                                  const std::vector<uint8_t>& body, uint16_t length)
{
    std::vector<uint8_t> p(57 + body.size());
    wire::put16(p.data(), 0, static_cast<uint16_t>(p.size()));
    wire::put16(p.data(), 2, REMOTE_MAGIC);
    wire::put16(p.data(), 4, CMD_DRIVER_REQUEST);
    wire::put16(p.data(), 12, id);
    p[24] = 32;
    wire::put16(p.data(), 32, function);
    p[35] = service;
    wire::put16(p.data(), 44, length);
    std::copy(body.begin(), body.end(), p.begin() + 56);
    return p;
}

}  // namespace

TEST(Ranmar, PublishedTestVector)
{
    // Seeds 1802 and 9373: after 20000 numbers the next six, times 4096^2.
    ASSERT_EQ(0, rmarin(1802, 9373));
    std::vector<double> v(20000);
    ASSERT_EQ(0, ranmar(v.data(), v.size()));
    double next[6];
    ASSERT_EQ(0, ranmar(next, 6));
    const double expected[6] = {6533892.0, 14220222.0, 7275067.0, 6172232.0, 8354498.0, 10633180.0};
    for (int i = 0; i < 6; ++i)
        EXPECT_DOUBLE_EQ(expected[i], next[i] * 4096.0 * 4096.0) << i;
    EXPECT_EQ(-1, rmarin(0, RANMAR_KL_MAX + 1));
    EXPECT_EQ(-1, rmarin(RANMAR_IJ_MAX + 1, 0));
}

TEST(Ranmar, UnscrambleUndoesTheScramble)
{
    const uint16_t kl = 1234;
    uint8_t text[] = {'s', 'e', 'c', 'r', 'e', 't'};
    ASSERT_EQ(0, rmarin(0, kl));
    for (uint8_t& b : text) {
        double x;
        ranmar(&x, 1);
        b ^= static_cast<uint8_t>(static_cast<int16_t>(x * 32767.0) & 0xFF);
    }
    ASSERT_TRUE(unscramble_password(kl ^ SCRAMBLE_SEED_KEY, text, sizeof text));
    EXPECT_EQ(0, std::memcmp(text, "secret", 6));
    // 0x5c21 ^ 0x0000 = 23585 is in range; 0x5c21 ^ 0xFFFF = 41950 is not.
    EXPECT_FALSE(unscramble_password(0xFFFF, text, sizeof text));
}

TEST(RequestAccess, DecidedFromTheRequestItself)
{
    struct Case {
        const char* what;
        uint16_t function;
        uint8_t service;
        uint16_t opcode;
        uint32_t key;
        uint8_t cdb0;
        bool changes;
    } cases[] = {
        {"driver version", 1, 0, 0, 0, 0, false},
        {"controller type", 16, 0, 0, 0, 0, false},
        {"lock host drives", 17, 0, 0, 0, 0, true},
        {"lock channel", 18, 0, 0, 0, 0, true},
        {"rescan", 23, 0, 0, 0, 0, true},
        {"event walk by handle", 21, 0, 0, 0, 0, false},
        {"event read of the next new one", 21, 2, 0, 0, 0, true},
        {"event clear", 21, 254, 0, 0, 0, true},
        {"unknown event code", 21, 7, 0, 0, 0, true},
        {"unknown function", 99, 0, 0, 0, 0, true},
        {"board info", 32, 9, 5, 0x28, 0, false},
        {"set config page", 32, 9, 5, 0x2B, 0, true},
        {"cluster enabled (sent as changing)", 32, 9, 5, 0x10010005, 0, true},
        {"drive flag key shared by set and get", 32, 9, 5, 0x63, 0, true},
        {"unknown key", 32, 9, 5, 0x7777, 0, true},
        {"block read", 32, 9, 1, 0, 0, false},
        {"block write", 32, 9, 2, 0, 0, true},
        {"access reset", 32, 9, 6, 0, 0, true},
        {"inquiry", 32, 3, 2, 0, 0x12, false},
        {"read capacity", 32, 3, 2, 0, 0x25, false},
        {"write(10)", 32, 3, 2, 0, 0x2A, true},
        {"format unit", 32, 3, 2, 0, 0x04, true},
    };
    for (const Case& c : cases) {
        CtlRequest r;
        r.function = c.function;
        r.readOnly = 1;  // the client's flag is not what decides
        r.service = c.service;
        CtlCommand cmd;
        cmd.opcode = c.opcode;
        cmd.key = c.key;
        cmd.cdb[0] = c.cdb0;
        EXPECT_EQ(c.changes, request_changes_controller(r, &cmd)) << c.what;
    }
}

TEST_F(LoggedIn, SizesOutsideThePacketAreRefused)
{
    struct Case {
        const char* what;
        uint16_t function;
        uint8_t service;
        uint16_t length;
        std::vector<uint8_t> body;
        uint8_t width;
        uint8_t controller;
    } cases[] = {
        {"OS version without room for its answer", 2, 0, 10, std::vector<uint8_t>(10), 32, 0},
        {"buffer longer than the packet", 16, 0, 200, std::vector<uint8_t>(16), 32, 0},
        {"short command", 32, 9, 40, std::vector<uint8_t>(40), 32, 0},
        {"width 16", 1, 0, 0, {}, 16, 0},
        {"controller 20", 1, 0, 0, {}, 32, 20},
        {"wide command too short", 32, 9, 64, std::vector<uint8_t>(64), 64, 0},
    };
    for (Case& c : cases) {
        auto p = driverPacket(9, c.function, c.service, c.body, c.length);
        p[24] = c.width;
        p[14] = c.controller;
        ASSERT_EQ(REQUEST_GO_ON, handle_request(rec, p.data(), static_cast<uint32_t>(p.size())));
        EXPECT_EQ(0, wire::get16(p.data(), 6)) << c.what;
        EXPECT_EQ(CTLERR_BAD_ARGUMENT, wire::get32(p.data(), 8)) << c.what;
    }

    // An IOCTL whose parameter size reaches past the packet.
    std::vector<uint8_t> cmd(64 + 8);
    wire::put16(cmd.data(), 8, CTLOP_IOCTL);
    wire::put16(cmd.data(), 10, 10);  // 8 bytes and the spare byte are there
    auto p = driverPacket(9, 32, 9, cmd, 64);
    handle_request(rec, p.data(), static_cast<uint32_t>(p.size()));
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, wire::get32(p.data(), 8));
    // A block read of 2^32 - 1 blocks does not wrap around.
    std::vector<uint8_t> blocks(64);
    wire::put16(blocks.data(), 8, CTLOP_BLOCK_READ);
    wire::put32(blocks.data(), 16, 0xFFFFFFFF);
    p = driverPacket(9, 32, 9, blocks, 64);
    handle_request(rec, p.data(), static_cast<uint32_t>(p.size()));
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, wire::get32(p.data(), 8));
}

TEST_F(LoggedIn, ReadOnlyConnectionRefusesChangesBeforeTheDriver)
{
    // A change is refused whatever flag the client sends; a read the client
    // itself marks as changing (flag 0) is refused too.
    struct Case {
        const char* what;
        uint32_t key;
        uint8_t clientFlag;
        uint16_t status;
    } cases[] = {
        {"page write claimed as reading", 0x2B, 1, STATUS_ACCESS_DENIED},
        {"page write", 0x2B, 0, STATUS_ACCESS_DENIED},
        {"board info marked as changing", 0x28, 0, STATUS_ACCESS_DENIED},
        {"board info", 0x28, 1, STATUS_OK},
    };
    rec.access = 1;
    for (const Case& c : cases) {
        std::vector<uint8_t> cmd(64 + 380);
        wire::put16(cmd.data(), 8, CTLOP_IOCTL);
        wire::put16(cmd.data(), 10, 380);
        wire::put32(cmd.data(), 12, c.key);
        auto p = driverPacket(9, 32, 9, cmd, 64);
        p[15] = c.clientFlag;
        handle_request(rec, p.data(), static_cast<uint32_t>(p.size()));
        EXPECT_EQ(c.status, wire::get16(p.data(), 6)) << c.what;
        if (c.status == STATUS_ACCESS_DENIED) {
            EXPECT_EQ(0u, wire::get32(p.data(), 8)) << c.what;  // the driver was not asked
        }
    }
}

namespace {

using Record = std::vector<uint8_t>;

// A parameter record of `size` zero bytes with the given bytes set.
Record record(size_t size, std::initializer_list<std::pair<size_t, uint8_t>> bytes = {})
{
    Record r(size);
    for (auto [at, value] : bytes)
        r.at(at) = value;
    return r;
}

Record word(uint32_t value)
{
    Record r(4);
    wire::put32(r.data(), 0, value);
    return r;
}

// Keys that both read and write, as the controller's commands describe
// them: the records with which they write and those with which they only read.
struct DirectionCase {
    uint32_t key;
    std::vector<Record> writing;
    std::vector<Record> reading;
};

const std::vector<DirectionCase>& directionCases()
{
    // Pool hot fix access flags: written as 1 or 0, read with 0xFFFFFFFF.
    const std::vector<Record> flagWrites = {word(0), word(1), word(0xFFFFFFFE), record(3, {{0, 0xFF}, {1, 0xFF}, {2, 0xFF}}),
                                            record(8, {{0, 0xFF}, {1, 0xFF}, {2, 0xFF}, {3, 0xFF}}), {}};
    // State commands: code 3 asks for the progress; 0 starts, 2 aborts.
    const std::vector<Record> codeWrites = {record(4), record(4, {{0, 2}}), record(4, {{0, 1}}), {}};
    const std::vector<Record> codeReads = {record(4, {{0, 3}})};
    static const std::vector<DirectionCase> cases = {
        // Controller parameter {u32 kind, u32 value, byte write flag, byte flags}.
        {0x6E, {record(10, {{0, 1}, {8, 1}, {9, 1}}), record(10, {{0, 1}, {8, 1}}), record(10, {{8, 2}}), record(8), {}},
         {record(10, {{0, 1}}), record(10, {{0, 1}, {9, 1}})}},
        {0x63, flagWrites, {word(0xFFFFFFFF)}},
        {0x1000000A, flagWrites, {word(0xFFFFFFFF)}},
        {0x10000009, codeWrites, codeReads},
        {0x1000001A, codeWrites, codeReads},
        {0x1000001B, codeWrites, codeReads},
        {0x1000001C, codeWrites, codeReads},
        {0x10000033, codeWrites, codeReads},
        // Enclosure query {u32 enclosure, u32 count, byte selector, ...}: 16
        // sets the speaker, 17 the door lock; 0 to 6 read states.
        {0x20002, {record(14, {{8, 16}, {12, 1}}), record(14, {{8, 17}}), record(14, {{8, 7}}), record(8)},
         {record(14), record(14, {{8, 3}}), record(14, {{8, 6}})}},
    };
    return cases;
}

// Whether a read-only connection refused the IOCTL with this record and flag.
bool refused(ConnectionRecord& rec, uint32_t key, const Record& param, uint8_t clientFlag)
{
    Record cmd(64 + param.size());
    wire::put16(cmd.data(), 8, CTLOP_IOCTL);
    wire::put16(cmd.data(), 10, static_cast<uint16_t>(param.size()));
    wire::put32(cmd.data(), 12, key);
    wire::put32(cmd.data(), 16, 0xFFFF);
    std::copy(param.begin(), param.end(), cmd.begin() + 64);
    auto p = driverPacket(9, 32, 9, cmd, 64);
    p[15] = clientFlag;
    p[34] = clientFlag;
    handle_request(rec, p.data(), static_cast<uint32_t>(p.size()));
    return wire::get16(p.data(), 6) == STATUS_ACCESS_DENIED;
}

}  // namespace

TEST(CommandDirection, EveryKeyThatBothReadsAndWritesHasARule)
{
    // A key whose rows disagree cannot be judged by the key alone.
    std::map<uint32_t, std::set<uint8_t>> flags;
    for (uint16_t i = 0; i < static_cast<uint16_t>(CtlCmd::COUNT); ++i) {
        const CtlCommandDef& d = ctl_command_def(static_cast<CtlCmd>(i));
        flags[d.key].insert(d.readOnly);
    }
    for (const auto& [key, seen] : flags)
        if (seen.size() > 1) {
            EXPECT_NE(nullptr, ctl_direction_rule(key)) << std::hex << key;
        }
    // The command list's rules are exactly the keys described here.
    std::set<uint32_t> described, listed;
    for (const DirectionCase& c : directionCases())
        described.insert(c.key);
    size_t count = 0;
    const CtlDirectionRule* rules = ctl_direction_rules(&count);
    for (size_t i = 0; i < count; ++i)
        listed.insert(rules[i].key);
    EXPECT_EQ(described, listed);
}

TEST_F(LoggedIn, ReadOnlyConnectionJudgesEveryKeyByItsRecord)
{
    // Every key of the command list, with both flag values, under every
    // record that writes (and those that read): flag 0 is always refused;
    // flag 1 is refused when the request writes.
    rec.access = 1;
    std::map<uint32_t, bool> keyReads;  // keys without a rule: all their rows read
    for (uint16_t i = 0; i < static_cast<uint16_t>(CtlCmd::COUNT); ++i) {
        const CtlCommandDef& d = ctl_command_def(static_cast<CtlCmd>(i));
        auto [it, fresh] = keyReads.emplace(d.key, d.readOnly != 0);
        if (!fresh)
            it->second = it->second && d.readOnly != 0;
    }
    std::vector<Record> anyRecords;  // every record of the table, tried on every other key
    for (const DirectionCase& c : directionCases()) {
        anyRecords.insert(anyRecords.end(), c.writing.begin(), c.writing.end());
        anyRecords.insert(anyRecords.end(), c.reading.begin(), c.reading.end());
        keyReads.erase(c.key);
    }
    for (uint8_t flag : {0, 1}) {
        for (const DirectionCase& c : directionCases()) {
            for (const Record& r : c.writing)
                EXPECT_TRUE(refused(rec, c.key, r, flag)) << std::hex << c.key << " flag " << int(flag);
            for (const Record& r : c.reading)
                EXPECT_EQ(flag == 0, refused(rec, c.key, r, flag)) << std::hex << c.key << " flag " << int(flag);
        }
        for (const auto& [key, reads] : keyReads)
            for (const Record& r : anyRecords)
                EXPECT_EQ(flag == 0 || !reads, refused(rec, key, r, flag)) << std::hex << key << " flag " << int(flag);
    }
}

TEST_F(LoggedIn, RandomAndMutatedPacketsStayInsideTheirBuffers)
{
    // Fixed seed and count, so the run is bounded and repeatable; ASan
    // catches any access past the exactly-sized buffers.
    std::mt19937 gen(20240611);
    auto byte = [&] { return static_cast<uint8_t>(gen() & 0xFF); };
    const std::vector<std::vector<uint8_t>> seeds = [] {
        std::vector<uint8_t> ioctl(64 + 36), scsi(64 + 36 + 18), blocks(64 + 1024);
        wire::put16(ioctl.data(), 8, CTLOP_IOCTL);
        wire::put16(ioctl.data(), 10, 36);
        wire::put32(ioctl.data(), 12, 0x28);
        wire::put16(scsi.data(), 8, CTLOP_SCSI);
        wire::put32(scsi.data(), 28, 36);
        wire::put32(scsi.data(), 52, 18);
        wire::put16(blocks.data(), 8, CTLOP_BLOCK_READ);
        wire::put32(blocks.data(), 16, 2);
        return std::vector<std::vector<uint8_t>>{ioctl, scsi, blocks, std::vector<uint8_t>(294)};
    }();
    const uint16_t functions[] = {1, 2, 3, 16, 17, 18, 19, 20, 21, 23, 32, 32, 32};
    for (int i = 0; i < 100000; ++i) {
        std::vector<uint8_t> p;
        if (i % 4 == 0) {
            p.resize(56 + gen() % 300);  // wholly random bytes, any length from the header on
            for (auto& b : p)
                b = byte();
            wire::put16(p.data(), 2, REMOTE_MAGIC);
        } else {
            const auto& body = seeds[gen() % seeds.size()];
            uint16_t f = functions[gen() % std::size(functions)];
            p = driverPacket(9, f, gen() % 2 ? 9 : 3, body, f == 32 ? 64 : static_cast<uint16_t>(body.size()));
            int flips = 1 + static_cast<int>(gen() % 6);
            for (int k = 0; k < flips; ++k)
                p[gen() % p.size()] = byte();
            if (gen() % 3 == 0)
                p.resize(56 + gen() % (p.size() - 55));  // cut short
        }
        if (wire::get16(p.data(), 4) == CMD_LOGIN)
            wire::put16(p.data(), 4, CMD_DRIVER_REQUEST);  // logins are served by the daemon tests
        rec.access = static_cast<unsigned char>(i & 1);
        std::strcpy(rec.userName, "admin");
        rec.logout = false;
        handle_request(rec, p.data(), static_cast<uint32_t>(p.size()));
    }
    SUCCEED();
}

TEST_F(LoggedIn, ScrambledSeedBeyondTheGeneratorIsRefused)
{
    std::vector<uint8_t> p(57 + 7);
    wire::put16(p.data(), 0, static_cast<uint16_t>(p.size()));
    wire::put16(p.data(), 2, REMOTE_MAGIC);
    wire::put16(p.data(), 14, 0xFFFF);
    p[16] = 5;
    p[17] = 2;
    p[18] = PW_SCRAMBLED;
    std::memcpy(p.data() + 56, "adminpw", 7);
    EXPECT_EQ(REQUEST_LOGIN_REFUSED, handle_request(rec, p.data(), static_cast<uint32_t>(p.size())));
    EXPECT_EQ(STATUS_ACCESS_DENIED, wire::get16(p.data(), 6));
}

TEST(PacketFuzz, TargetRunsForABoundedTime)
{
    // The fuzz target fed with seed packets of every command, mutated, for
    // two seconds; the seed is fixed so that a failure can be replayed.
    std::mt19937 gen(7);
    auto packet = [](uint16_t command, size_t payload) {
        std::vector<uint8_t> p(1 + 57 + payload);
        p[0] = 7;  // logged in, read-only, the right id
        wire::put16(p.data() + 1, PKT_LENGTH, static_cast<uint16_t>(57 + payload));
        wire::put16(p.data() + 1, PKT_MAGIC, REMOTE_MAGIC);
        wire::put16(p.data() + 1, PKT_COMMAND, command);
        p[1 + PKT_WIDTH] = 32;
        return p;
    };
    std::vector<std::vector<uint8_t>> seeds;
    for (uint16_t command : {0, 1, 2, 3, 4, 7, 9})
        seeds.push_back(packet(command, 0));
    auto login = packet(CMD_LOGIN, 7);
    login[1 + PKT_USER_LENGTH] = 5;
    login[1 + PKT_PASSWORD_LENGTH] = 2;
    login[1 + PKT_ENCODING] = PW_SCRAMBLED;
    seeds.push_back(login);
    for (uint16_t function : {1, 2, 3, 16, 21, 32}) {
        auto p = packet(CMD_DRIVER_REQUEST, function == 32 ? 64 + 36 + 18 : 40);
        wire::put16(p.data() + 1, PKT_REQUEST, function);
        wire::put16(p.data() + 1, PKT_REQUEST_LENGTH, function == 32 ? 64 : 40);
        if (function == 32) {  // a raw SCSI command with data and sense
            p[1 + PKT_REQUEST + 3] = CTLSVC_RAW;
            wire::put16(p.data() + 1, PKT_PAYLOAD + 8, CTLOP_SCSI);
            wire::put32(p.data() + 1, PKT_PAYLOAD + 28, 36);
            wire::put32(p.data() + 1, PKT_PAYLOAD + 52, 18);
        }
        seeds.push_back(p);
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    long runs = 0;
    while (std::chrono::steady_clock::now() < end) {
        std::vector<uint8_t> in = seeds[gen() % seeds.size()];
        in[0] = static_cast<uint8_t>(gen());
        for (int k = 1 + static_cast<int>(gen() % 4); k > 0; --k)
            in[1 + gen() % (in.size() - 1)] = static_cast<uint8_t>(gen());
        if (gen() % 4 == 0)
            in.resize(1 + 56 + gen() % (in.size() - 56));  // cut short
        LLVMFuzzerTestOneInput(in.data(), in.size());
        ++runs;
    }
    EXPECT_GT(runs, 0);
}
