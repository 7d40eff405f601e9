// Driver request record: header and command placement, data and sense sizes.
#include "byte_order.h"
#include "driver_record.h"

#include <gtest/gtest.h>

TEST(DriverRecord, HeaderAndIoctlCommandPlacement)
{
    uint8_t rec[DRV_RECORD_SIZE] = {};
    uint8_t param[36];
    CtlCommand c;
    c.boardNode = 7;
    c.opcode = CTLOP_IOCTL;
    c.size = 36;
    c.key = 0x28;
    c.target = 0xFFFF;
    c.param = param;
    drvPutHeader(rec, DRVREQ_COMMAND, 2, CTLSVC_CACHE);
    drvPutCommand(rec, c, CTLSVC_CACHE);
    EXPECT_EQ(DRVREQ_MAGIC, wire::get32(rec, 0));
    EXPECT_EQ(DRVREQ_COMMAND, wire::get16(rec, 4));
    EXPECT_EQ(2, wire::get16(rec, 6));
    EXPECT_EQ(9, wire::get16(rec, 8));
    EXPECT_EQ(30, wire::get16(rec, 10));
    EXPECT_EQ(7u, wire::get32(rec, 12));
    EXPECT_EQ(0u, wire::get32(rec, 16));  // command index not copied
    EXPECT_EQ(5, wire::get16(rec, 20));
    EXPECT_EQ(36, wire::get16(rec, 22));
    EXPECT_EQ(0x28u, wire::get32(rec, 24));
    EXPECT_EQ(0xFFFFu, wire::get32(rec, 28));
    EXPECT_EQ(0u, wire::get32(rec, 32));  // no address
}

TEST(DriverRecord, RawCommandPlacement)
{
    uint8_t rec[DRV_RECORD_SIZE] = {};
    CtlCommand c;
    c.opcode = CTLOP_SCSI;
    c.size = 0x5555;  // not copied for the raw layout
    c.key = 0x01000000;
    c.dataLength = 512;
    c.cdbLength = 10;
    c.cdb[0] = 0x28;
    c.cdb[11] = 0x99;
    c.bus = 1;
    c.targetId = 4;
    c.lun = 2;
    c.senseLength = 18;
    drvPutCommand(rec, c, CTLSVC_RAW);
    EXPECT_EQ(2, wire::get16(rec, 20));
    EXPECT_EQ(0, wire::get16(rec, 22));
    EXPECT_EQ(0x01000000u, wire::get32(rec, 24));
    EXPECT_EQ(512u, wire::get32(rec, 40));
    EXPECT_EQ(10u, wire::get32(rec, 44));
    EXPECT_EQ(0x28, rec[48]);
    EXPECT_EQ(0x99, rec[59]);
    EXPECT_EQ(1, rec[60]);
    EXPECT_EQ(4, rec[61]);
    EXPECT_EQ(2, rec[62]);
    EXPECT_EQ(18u, wire::get32(rec, 64));
    EXPECT_EQ(0u, wire::get32(rec, 72));
}

TEST(DriverRecord, DataAndSenseAreas)
{
    static uint8_t buf[2 * 1024 * 1024];
    struct Case {
        const char* what;
        uint8_t service;
        uint16_t opcode;
        uint16_t size;
        uint32_t target;
        uint32_t dataLength;
        uint32_t senseLength;
        CtlResult rc;
        uint32_t d;
        uint32_t s;
    };
    const Case cases[] = {
        {"ioctl 36", 9, 5, 36, 0, 0, 0, CTL_OK, 36, 0},
        {"ioctl on another service", 3, 5, 12, 0, 0, 0, CTL_OK, 12, 0},
        {"block read 4", 9, 1, 0, 4, 0, 0, CTL_OK, 2048, 0},
        {"block count at the bound", 9, 1, 0, 2048, 0, 0, CTL_OK, 1u << 20, 0},
        {"block count past the bound", 9, 1, 0, 2049, 0, 0, CTLERR_BAD_ARGUMENT, 0, 0},
        {"block count that overflows 32 bits", 9, 2, 0, 0x00800001, 0, 0, CTLERR_BAD_ARGUMENT, 0, 0},
        {"access reset", 9, 6, 0, 0, 0, 0, CTL_OK, 0, 0},
        {"raw 512 + 18", 3, 2, 0, 0, 512, 18, CTL_OK, 512, 18},
        {"raw data past the bound", 3, 2, 0, 0, 0xFFFFFFFF, 18, CTLERR_BAD_ARGUMENT, 0, 0},
        {"screen service", 11, 2, 0, 0, 0, 0, CTLERR_NOT_SERVED, 0, 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        CtlCommand c;
        c.opcode = k.opcode;
        c.size = k.size;
        c.target = k.target;
        c.dataLength = k.dataLength;
        c.senseLength = k.senseLength;
        c.param = c.data = c.sense = buf;
        CommandAreas a;
        EXPECT_EQ(k.rc, drvCommandAreas(c, k.service, a));
        EXPECT_EQ(k.d, a.dataSize);
        EXPECT_EQ(k.s, a.senseSize);
    }
}

TEST(DriverRecord, MissingBufferIsRefused)
{
    CtlCommand c;
    c.opcode = CTLOP_IOCTL;
    c.size = 4;
    CommandAreas a;
    EXPECT_EQ(CTLERR_BAD_ARGUMENT, drvCommandAreas(c, CTLSVC_CACHE, a));
    c.size = 0;
    EXPECT_EQ(CTL_OK, drvCommandAreas(c, CTLSVC_CACHE, a));
}
