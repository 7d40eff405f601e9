// Wire codecs of the library request, the controller command and the event record.
#include "byte_order.h"
#include "ctl_channels.h"
#include "ctl_devices.h"
#include "ctl_driver_records.h"
#include "ctl_request.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(RecordCodec, RequestPlacesFieldsAndZeroesTheAddress)
{
    int dummy = 0;
    CtlRequest r;
    r.function = 32;
    r.readOnly = 1;
    r.service = 9;
    r.info = 0xA1B2C3D4;
    r.length = 64;
    r.buffer = &dummy;
    uint8_t out[CTL_REQUEST_WIRE_SIZE + 1];
    std::memset(out, 0xEE, sizeof out);
    ASSERT_TRUE(ctlEncodeRequest(r, out, CTL_REQUEST_WIRE_SIZE));
    const uint8_t want[CTL_REQUEST_WIRE_SIZE] = {32, 0, 1, 9, 0xD4, 0xC3, 0xB2, 0xA1, 0, 0, 0, 0,
                                                 64, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(out, want, sizeof want));
    EXPECT_EQ(0xEE, out[CTL_REQUEST_WIRE_SIZE]);  // nothing past the record

    CtlRequest back;
    ASSERT_TRUE(ctlDecodeRequest(out, CTL_REQUEST_WIRE_SIZE, back));
    EXPECT_EQ(32, back.function);
    EXPECT_EQ(1, back.readOnly);
    EXPECT_EQ(9, back.service);
    EXPECT_EQ(0xA1B2C3D4u, back.info);
    EXPECT_EQ(64, back.length);
    EXPECT_EQ(nullptr, back.buffer);
}

TEST(RecordCodec, CommandPlacesEveryFieldAndZeroesAddresses)
{
    uint8_t data[4], sense[4], param[4];
    CtlCommand c;
    c.boardNode = 0x11223344;
    c.commandIndex = 5;
    c.opcode = 2;
    c.size = 0x0102;
    c.key = 0x01000000;
    c.target = 0x0A0B0C0D;
    c.param = param;
    c.data = data;
    c.dataLength = 512;
    c.cdbLength = 6;
    for (int i = 0; i < 12; ++i)
        c.cdb[i] = static_cast<uint8_t>(0x30 + i);
    c.bus = 1;
    c.targetId = 2;
    c.lun = 3;
    c.senseLength = 18;
    c.sense = sense;
    uint8_t out[CTL_COMMAND_WIRE_SIZE];
    ASSERT_TRUE(ctlEncodeCommand(c, out, sizeof out));
    EXPECT_EQ(0x11223344u, wire::get32(out, 0));
    EXPECT_EQ(5u, wire::get32(out, 4));
    EXPECT_EQ(2, wire::get16(out, 8));
    EXPECT_EQ(0x0102, wire::get16(out, 10));
    EXPECT_EQ(0x01000000u, wire::get32(out, 12));
    EXPECT_EQ(0x0A0B0C0Du, wire::get32(out, 16));
    EXPECT_EQ(0u, wire::get32(out, 20));
    EXPECT_EQ(0u, wire::get32(out, 24));
    EXPECT_EQ(512u, wire::get32(out, 28));
    EXPECT_EQ(6u, wire::get32(out, 32));
    EXPECT_EQ(0x30, out[36]);
    EXPECT_EQ(0x3B, out[47]);
    EXPECT_EQ(1, out[48]);
    EXPECT_EQ(2, out[49]);
    EXPECT_EQ(3, out[50]);
    EXPECT_EQ(0, out[51]);
    EXPECT_EQ(18u, wire::get32(out, 52));
    EXPECT_EQ(0u, wire::get32(out, 56));
    EXPECT_EQ(0u, wire::get32(out, 60));

    CtlCommand back;
    ASSERT_TRUE(ctlDecodeCommand(out, sizeof out, back));
    EXPECT_EQ(c.boardNode, back.boardNode);
    EXPECT_EQ(c.target, back.target);
    EXPECT_EQ(c.senseLength, back.senseLength);
    EXPECT_EQ(0, std::memcmp(c.cdb, back.cdb, sizeof c.cdb));
}

TEST(RecordCodec, ShortBuffersAreRefused)
{
    uint8_t buf[CTL_COMMAND_WIRE_SIZE] = {};
    CtlRequest r;
    CtlCommand c;
    EXPECT_FALSE(ctlEncodeRequest(r, buf, CTL_REQUEST_WIRE_SIZE - 1));
    EXPECT_FALSE(ctlDecodeRequest(buf, CTL_REQUEST_WIRE_SIZE - 1, r));
    EXPECT_FALSE(ctlEncodeCommand(c, buf, CTL_COMMAND_WIRE_SIZE - 1));
    EXPECT_FALSE(ctlDecodeCommand(buf, CTL_COMMAND_WIRE_SIZE - 1, c));
    EXPECT_FALSE(ctlEncodeCommand(c, nullptr, CTL_COMMAND_WIRE_SIZE));
}

TEST(RecordCodec, EventTextIsBoundedAndTerminated)
{
    uint8_t in[EVENT_RECORD_WIRE_SIZE];
    std::memset(in, 'x', sizeof in);  // a text with no NUL in its 256 bytes
    wire::put16(in, 10, 1);
    wire::put32(in, 34, 2);
    EventRecord e;
    eventDecode(in, e);
    EXPECT_EQ(EVENT_TEXT_SIZE, std::strlen(e.text));
    EXPECT_EQ(1, e.source);
    EXPECT_EQ(2u, e.severity);

    uint8_t out[EVENT_RECORD_WIRE_SIZE];
    eventEncode(e, out);
    EXPECT_EQ(0, std::memcmp(in + 38, out + 38, EVENT_TEXT_SIZE));
    EXPECT_EQ(0, out[14]);  // reserved bytes are zero
}

// Older device layouts: the controller's bytes land at the caller's offsets
// and go back unchanged; bytes the layout does not carry stay as they were.
TEST(RecordCodec, OlderDeviceLayoutsRoundTrip)
{
    struct Case {
        uint32_t level;
        size_t callerOffset, controllerOffset;  // one field that moves
    } cases[] = {{LEVEL_OLD_LISTS, 50, 50}, {263, 64, 56}, {512, 73, 61}, {0x21E, 100, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        uint8_t controller[DEVICE_INFO_SIZE];
        for (size_t i = 0; i < sizeof controller; ++i)
            controller[i] = static_cast<uint8_t>(i + 1);
        uint8_t caller[DEVICE_INFO_SIZE];
        std::memset(caller, 0xEE, sizeof caller);
        ctl_device_info_from_controller(c.level, controller, caller);
        EXPECT_EQ(controller[c.controllerOffset], caller[c.callerOffset]);

        uint8_t back[DEVICE_INFO_SIZE];
        ctl_device_info_to_controller(c.level, caller, back);
        EXPECT_EQ(controller[c.controllerOffset], back[c.controllerOffset]);
        if (c.level == 263 || c.level == 512) {
            EXPECT_EQ(0, back[62]);  // beyond the layout: zero on the way out
        }
    }
}
