// The local driver module against the emulator: host table, counting,
// record sizes, status words, rescans, unserved functions, busy retries and
// commands whose files the caller opens before and closes after.
#include "byte_order.h"
#include "ctl_commands.h"
#include "ctl_driver_records.h"
#include "ctl_driver_requests.h"
#include "driver_record.h"
#include "local_module.h"
#include "sim_suite.h"
#include "xport.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <vector>

namespace {

const CtlResult kNoEntry = CTLERR_ERRNO + ENOENT;

// Driver entries 0, 2 and 3; controller n is served through the n-th of them.
const char* kLocalScenario = R"({
  "controllers": [
    {"entry": 0, "channels": [{"devices": [{"target": 0}]}]},
    {"entry": 2, "class": 134},
    {"entry": 3}
  ]
})";

class LocalModuleE2E : public SimSuite {
protected:
    static void SetUpTestSuite() { mountWith(kLocalScenario); }
    static void TearDownTestSuite() { unmount(); }
};

// A function-32 request of `cmd` straight to the local module.
CtlResult sendDirect(uint16_t controller, uint8_t service, CtlCommand& cmd, uint32_t* info = nullptr)
{
    CtlRequest r;
    r.function = CTLFN_COMMAND;
    r.service = service;
    r.length = CTL_COMMAND_WIRE_SIZE;
    r.buffer = &cmd;
    r.info = info != nullptr ? *info : 0;
    CtlResult rc = local_request(0, controller, &r);
    if (info != nullptr)
        *info = r.info;
    return rc;
}

}  // namespace

TEST_F(LocalModuleE2E, ControllersAreServedThroughTheEntriesInOrder)
{
    const int entries[] = {0, 2, 3};
    for (uint16_t c = 0; c < 3; ++c) {
        CtlTypeInfo t;
        t.controller = c;
        ASSERT_EQ(CTL_OK, ctl_get_controller_type(&t)) << c;
        LoggedRequest l = lastLogged();
        EXPECT_EQ(entries[c], l.entry);
        EXPECT_EQ(c, l.controller);
    }
    const size_t before = logSize();
    for (uint16_t c : {3, 19, 20, 255, 0xFFFF}) {
        uint8_t info[84] = {};
        EXPECT_EQ(kNoEntry, ctl_get_board_info(c, info)) << c;
    }
    EXPECT_EQ(before, logSize());  // no file was reached
}

TEST_F(LocalModuleE2E, ControllerCountIsAtMost20)
{
    int count = 0;
    ASSERT_EQ(CTL_OK, local_controller_count(0, &count));
    EXPECT_EQ(3, count);
    ASSERT_TRUE(sim().control("count 25"));
    ASSERT_EQ(CTL_OK, local_controller_count(0, &count));
    EXPECT_EQ(20, count);
    uint16_t viaLibrary = 0;
    ASSERT_EQ(CTL_OK, ctl_get_controller_count(&viaLibrary));
    EXPECT_EQ(20, viaLibrary);
    ASSERT_TRUE(sim().control("count 3"));
    EXPECT_EQ(DRVREQ_CONTROLLER_COUNT, lastLogged().code);
}

TEST_F(LocalModuleE2E, IoctlRecordCarriesTheParameterBothWays)
{
    uint8_t cache[36];
    std::memset(cache, 0xEE, sizeof cache);
    ASSERT_EQ(CTL_OK, ctl_get_cache_info(0, 0, 0xFFFF, cache));
    LoggedRequest l = lastLogged();
    EXPECT_EQ(564u, l.record.size());
    EXPECT_EQ(36u, l.dataSize);
    EXPECT_EQ(0x21Eu, wire::get32(cache, 0));  // the level word came back from reply offset 8
    EXPECT_EQ(0u, wire::get32(cache, 32));
    // the record: header, command area, the 36 parameter bytes at 524, then 4 zero bytes
    EXPECT_EQ(DRVREQ_MAGIC, wire::get32(l.record.data(), 0));
    EXPECT_EQ(30, wire::get16(l.record.data(), 10));
    EXPECT_EQ(0xEE, l.record[524]);
    EXPECT_EQ(0xEE, l.record[559]);
    EXPECT_EQ(0u, wire::get32(l.record.data(), 560));
}

TEST_F(LocalModuleE2E, BlockTransfersCarryCountTimes512)
{
    std::vector<uint8_t> out(2048), in(2048, 0xCC);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<uint8_t>(i * 7);
    BlockIoRecord w{0, 2, 100, 4, out.data(), out.size()};
    ASSERT_EQ(CTL_OK, ctl_write_blocks(w));
    LoggedRequest l = lastLogged();
    EXPECT_EQ(528u + 2048u, l.record.size());
    EXPECT_EQ(2u, l.opcode);
    BlockIoRecord r{0, 2, 100, 4, in.data(), in.size()};
    ASSERT_EQ(CTL_OK, ctl_read_blocks(r));
    l = lastLogged();
    EXPECT_EQ(1u, l.opcode);
    EXPECT_EQ(2, wire::get16(l.record.data(), 22));
    EXPECT_EQ(100u, l.key);
    EXPECT_EQ(4u, l.target);
    EXPECT_EQ(2048u, l.dataSize);
    EXPECT_EQ(out, in);

    BlockIoRecord tooSmall{0, 2, 100, 5, in.data(), in.size()};  // 5 blocks into 4 blocks of room
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, ctl_read_blocks(tooSmall));
}

TEST_F(LocalModuleE2E, RawCommandCarriesDataAndSense)
{
    std::vector<uint8_t> data(512, 0xAB);
    RawScsiRecord r;
    r.direction = 0;
    r.dataLength = 512;
    r.bus = 0;
    r.targetId = 0;
    r.cdbLength = 10;
    r.cdb[0] = 0x28;
    std::memset(r.sense, 0xAA, sizeof r.sense);
    r.data = data.data();
    ASSERT_EQ(CTL_OK, ctl_raw_scsi_command(r));
    LoggedRequest l = lastLogged();
    EXPECT_EQ(1058u, l.record.size());
    EXPECT_EQ(3u, l.service);
    EXPECT_EQ(512u, l.dataSize);
    EXPECT_EQ(18u, l.senseSize);
    EXPECT_EQ(0x01000000u, wire::get32(l.record.data(), 24));  // direction word 0
    EXPECT_EQ(0xAA, l.record[524 + 512]);                      // the sense went out behind the data
    for (uint8_t b : r.sense)
        ASSERT_EQ(0, b);  // and came back from reply offset 8 + 512
    r.direction = 1;
    ASSERT_EQ(CTL_OK, ctl_raw_scsi_command(r));
    EXPECT_EQ(0u, wire::get32(lastLogged().record.data(), 24));
    r.cdbLength = 13;
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, ctl_raw_scsi_command(r));
}

TEST_F(LocalModuleE2E, ControllerStatusAndDetail)
{
    struct Case {
        const char* control;
        uint16_t controller;
        CtlResult rc;
        uint32_t info;
    };
    const Case cases[] = {
        {"status 0 0x2C 0xFFF4 3", 0, CTLERR_CONTROLLER + 0xFFF4, 3},
        {"status 0 0x2C 1 7", 0, CTL_OK, 0x55},  // success, whatever the high half
        {"status 2 0x2C 6", 1, CTLERR_CONTROLLER + 6, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.control);
        ASSERT_TRUE(sim().control(k.control));
        uint8_t p[4] = {1, 2, 3, 4};
        CtlCommand cmd;
        cmd.opcode = CTLOP_IOCTL;
        cmd.size = 4;
        cmd.key = 0x2C;
        cmd.target = 0xFFFF;
        cmd.param = p;
        uint32_t info = 0x55;
        EXPECT_EQ(k.rc, sendDirect(k.controller, CTLSVC_CACHE, cmd, &info));
        EXPECT_EQ(k.info, info);
        EXPECT_EQ(1, p[0]);  // the data came back as the driver returned it
    }
}

TEST_F(LocalModuleE2E, RescanAnnouncesTheHostDrive)
{
    const std::string before = sim().readFile("scsi");
    ASSERT_EQ(CTL_OK, ctl_rescan_host_drive(1, 5, 1));  // controller 1 is entry 2
    EXPECT_EQ(DRVREQ_RESCAN, lastLogged().code);
    ASSERT_EQ(CTL_OK, ctl_rescan_host_drive(1, 5, 0));  // rescan only
    ASSERT_EQ(CTL_OK, ctl_rescan_host_drive(0, 7, 2));
    const std::string added = sim().readFile("scsi").substr(before.size());
    const std::string want = std::string("scsi add-single-device 2 0 5 0") + '\0' +
                             "scsi remove-single-device 0 0 7 0" + '\0';
    EXPECT_EQ(want, added);

    const size_t lines = logSize();
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, ctl_rescan_host_drive(0, 100, 1));
    EXPECT_EQ(lines, logSize());
}

TEST_F(LocalModuleE2E, UnservedFunctionsTouchNoFile)
{
    const size_t lines = logSize();
    uint8_t buf[64] = {};
    for (uint16_t fn : {4, 5, 19, 20, 22, 24, 0, 6, 25, 31, 33}) {
        CtlRequest r;
        r.function = fn;
        r.length = sizeof buf;
        r.buffer = buf;
        EXPECT_EQ(CTLERR_NOT_SERVED, local_request(0, 0, &r)) << fn;
    }
    EXPECT_EQ(lines, logSize());
    uint8_t cap = 0x77;
    EXPECT_EQ(CTLERR_NOT_SERVED, ctl_get_driver_capability(&cap));
    EXPECT_EQ(0x77, cap);
}

TEST_F(LocalModuleE2E, BusyDriverIsAskedAgain)
{
    ASSERT_TRUE(sim().control("busy 3"));
    const size_t lines = logSize();
    uint16_t version = 0;
    ASSERT_EQ(CTL_OK, ctl_get_driver_version(0, &version));
    EXPECT_EQ(0x0302, version);
    EXPECT_EQ(lines + 1, logSize());  // the record was taken once
}

TEST_F(LocalModuleE2E, AccessResetChangesTheController)
{
    ASSERT_EQ(CTL_OK, ctl_host_drive_opcode6(0, 0, 3));
    LoggedRequest l = lastLogged();
    EXPECT_EQ(6u, l.opcode);
    EXPECT_EQ(9u, l.service);
    EXPECT_EQ(3, wire::get16(l.record.data(), 22));
    EXPECT_EQ(528u, l.record.size());
}

TEST_F(LocalModuleE2E, CommandWithFilesInTheCallersHandsCarriesTheSameRecord)
{
    uint8_t param[36] = {};
    CtlCommand cmd;
    cmd.opcode = CTLOP_IOCTL;
    cmd.size = sizeof param;
    cmd.key = 0x04;
    cmd.target = 0xFFFF;
    cmd.param = param;
    CtlRequest r;
    r.function = CTLFN_COMMAND;
    r.service = CTLSVC_CACHE;
    r.length = CTL_COMMAND_WIRE_SIZE;
    r.buffer = &cmd;
    ASSERT_EQ(CTL_OK, local_request(0, 1, &r));
    const LoggedRequest plain = lastLogged();
    std::vector<uint8_t> expected(param, param + sizeof param);

    // Controller 1 is served through entry 2.
    std::string path;
    ASSERT_EQ(CTL_OK, local_command_file(1, &r, path));
    ASSERT_GE(path.size(), 7u);
    EXPECT_EQ("/kzmh/2", path.substr(path.size() - 7));
    DrvFiles files;
    ASSERT_EQ(CTL_OK, drvOpenWrite(path.c_str(), files));
    ASSERT_GE(files.writeFd, 0);
    std::memset(param, 0, sizeof param);
    const size_t lines = logSize();
    ASSERT_EQ(CTL_OK, local_request_files(0, 1, &r, &files));
    EXPECT_EQ(lines + 1, logSize());
    EXPECT_EQ(plain.record, lastLogged().record);
    EXPECT_EQ(expected, std::vector<uint8_t>(param, param + sizeof param));
    // The write file was taken and closed; the read file is still open.
    EXPECT_EQ(-1, files.writeFd);
    ASSERT_GE(files.readFd, 0);
    const int readFd = files.readFd;
    EXPECT_NE(-1, fcntl(readFd, F_GETFD));
    drvCloseFiles(files);
    EXPECT_EQ(-1, files.readFd);
    EXPECT_EQ(-1, fcntl(readFd, F_GETFD));

    // Without a write file opened beforehand the command opens its own.
    std::memset(param, 0, sizeof param);
    ASSERT_EQ(CTL_OK, local_request_files(0, 1, &r, &files));
    EXPECT_EQ(plain.record, lastLogged().record);
    EXPECT_GE(files.readFd, 0);
    drvCloseFiles(files);

    // A controller's error status is an answer read like any other: the read
    // file is still the caller's to close.
    ASSERT_TRUE(sim().control("status 2 0x04 0xFFF4 3"));
    EXPECT_EQ(CTLERR_CONTROLLER + 0xFFF4, local_request_files(0, 1, &r, &files));
    EXPECT_EQ(3u, r.info);
    EXPECT_GE(files.readFd, 0);
    drvCloseFiles(files);
}

TEST_F(LocalModuleE2E, CommandFileNamesOnlyWhatTheModuleWouldWrite)
{
    const size_t lines = logSize();
    uint8_t param[36] = {};
    CtlCommand cmd;
    cmd.opcode = CTLOP_IOCTL;
    cmd.size = sizeof param;
    cmd.key = 0x04;
    cmd.param = param;
    CtlRequest r;
    r.function = CTLFN_COMMAND;
    r.service = CTLSVC_CACHE;
    r.length = CTL_COMMAND_WIRE_SIZE;
    r.buffer = &cmd;
    std::string path;
    EXPECT_EQ(kNoEntry, local_command_file(3, &r, path));
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, local_command_file(0, nullptr, path));
    r.length = CTL_COMMAND_WIRE_SIZE - 1;
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, local_command_file(0, &r, path));
    r.length = CTL_COMMAND_WIRE_SIZE;
    cmd.opcode = 6;
    r.service = 5;
    EXPECT_EQ(CTLERR_NOT_SERVED, local_command_file(0, &r, path));
    r.function = CTLFN_DRIVER_VERSION;
    EXPECT_EQ(CTLERR_NOT_SERVED, local_command_file(0, &r, path));
    EXPECT_EQ(lines, logSize());

    // Functions other than commands leave the caller's files alone.
    DrvFiles files;
    r.length = 0;
    r.buffer = nullptr;
    ASSERT_EQ(CTL_OK, local_request_files(0, 0, &r, &files));
    EXPECT_EQ(-1, files.writeFd);
    EXPECT_EQ(-1, files.readFd);
    EXPECT_EQ(lines + 1, logSize());
}
