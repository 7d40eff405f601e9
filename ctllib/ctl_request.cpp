// Wire codecs of the library request and the controller command.
#include "ctl_request.h"

#include "byte_order.h"

#include <cstring>

bool ctlEncodeRequest(const CtlRequest& r, uint8_t* out, size_t outSize)
{
    if (out == nullptr || outSize < CTL_REQUEST_WIRE_SIZE)
        return false;
    std::memset(out, 0, CTL_REQUEST_WIRE_SIZE);
    wire::put16(out, 0, r.function);
    out[2] = r.readOnly;
    out[3] = r.service;
    wire::put32(out, 4, r.info);
    wire::put16(out, 12, r.length);
    return true;  // the buffer address (16) and reserved words stay 0
}

bool ctlDecodeRequest(const uint8_t* in, size_t inSize, CtlRequest& r)
{
    if (in == nullptr || inSize < CTL_REQUEST_WIRE_SIZE)
        return false;
    r.function = wire::get16(in, 0);
    r.readOnly = in[2];
    r.service = in[3];
    r.info = wire::get32(in, 4);
    r.length = wire::get16(in, 12);
    return true;
}

bool ctlEncodeCommand(const CtlCommand& c, uint8_t* out, size_t outSize)
{
    if (out == nullptr || outSize < CTL_COMMAND_WIRE_SIZE)
        return false;
    std::memset(out, 0, CTL_COMMAND_WIRE_SIZE);
    wire::put32(out, 0, c.boardNode);
    wire::put32(out, 4, c.commandIndex);
    wire::put16(out, 8, c.opcode);
    wire::put16(out, 10, c.size);
    wire::put32(out, 12, c.key);
    wire::put32(out, 16, c.target);
    wire::put32(out, 28, c.dataLength);
    wire::put32(out, 32, c.cdbLength);
    wire::putBytes(out, 36, c.cdb, sizeof c.cdb);
    out[48] = c.bus;
    out[49] = c.targetId;
    out[50] = c.lun;
    wire::put32(out, 52, c.senseLength);
    return true;  // address fields 20, 24 and 56 stay 0
}

bool ctlDecodeCommand(const uint8_t* in, size_t inSize, CtlCommand& c)
{
    if (in == nullptr || inSize < CTL_COMMAND_WIRE_SIZE)
        return false;
    c.boardNode = wire::get32(in, 0);
    c.commandIndex = wire::get32(in, 4);
    c.opcode = wire::get16(in, 8);
    c.size = wire::get16(in, 10);
    c.key = wire::get32(in, 12);
    c.target = wire::get32(in, 16);
    c.dataLength = wire::get32(in, 28);
    c.cdbLength = wire::get32(in, 32);
    wire::getBytes(in, 36, c.cdb, sizeof c.cdb);
    c.bus = in[48];
    c.targetId = in[49];
    c.lun = in[50];
    c.senseLength = wire::get32(in, 52);
    return true;
}
