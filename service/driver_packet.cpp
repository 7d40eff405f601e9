#include "driver_packet.h"

#include <cstring>

#include "byte_order.h"
#include "config_file.h"
#include "ctl_driver_records.h"
#include "ctl_errors.h"
#include "ctl_request.h"
#include "driver_access.h"
#include "remote_packet.h"
#include "request_access.h"

namespace {

// The carried command and where its data and sense lie in the packet.
struct CarriedCommand {
    CtlCommand cmd;
    uint64_t dataSize = 0;
    uint64_t senseSize = 0;
};

// Reads the command block written with fields of w bytes (w = 8).
void rebuildWide(const uint8_t* b, unsigned w, uint8_t service, CtlCommand& c)
{
    c = CtlCommand{};
    c.opcode = wire::get16(b, 2 * w);
    if (c.opcode == CTLOP_IOCTL || service == CTLSVC_CACHE) {
        c.size = wire::get16(b, 2 * w + 2);
        c.key = wire::get32(b, 2 * w + 4);
        c.target = wire::get32(b, 3 * w + 4);
    } else if (service == CTLSVC_RAW) {
        c.key = wire::get32(b, 2 * w + 4);
        c.target = wire::get32(b, 3 * w + 4);
        c.dataLength = wire::get32(b, 6 * w + 4);
        c.cdbLength = wire::get32(b, 7 * w + 4);
        wire::getBytes(b, 8 * w + 4, c.cdb, sizeof c.cdb);
        c.bus = b[8 * w + 16];
        c.targetId = b[8 * w + 17];
        c.lun = b[8 * w + 18];
        c.senseLength = wire::get32(b, 8 * w + 20);
    }
}

// Bytes of the command block that decoding reads for a field width.
uint64_t commandBlockNeed(uint8_t width)
{
    return width == PKT_WIDTH_32 ? CTL_COMMAND_WIRE_SIZE : 8 * (width / 8) + 24;
}

// Data and sense sizes as the local driver module works them out.
void areaSizes(uint8_t service, CarriedCommand& cc)
{
    const CtlCommand& c = cc.cmd;
    if (c.opcode == CTLOP_IOCTL) {
        cc.dataSize = c.size;
    } else if (service == CTLSVC_CACHE) {
        cc.dataSize = uint64_t{c.target} * 512;
    } else if (service == CTLSVC_RAW) {
        cc.dataSize = c.dataLength;
        cc.senseSize = c.senseLength;
    }
}

// Smallest buffer the local module answers into, per library function.
uint64_t answerSize(uint16_t function)
{
    switch (function) {
    case CTLFN_OS_VERSION: return OS_VERSION_WIRE_SIZE;
    case CTLFN_SYSTEM_INFO: return SYSINFO_HEAD_SIZE;
    case CTLFN_CONTROLLER_TYPE: return CTL_TYPE_WIRE_SIZE;
    case CTLFN_EVENT: return EVENT_RECORD_WIRE_SIZE;
    default: return 0;
    }
}

// Checks and points the carried command at the packet's areas; false when
// anything lies outside the received bytes.
bool prepareCommand(uint8_t* pk, uint32_t length, uint8_t width, const CtlRequest& r,
                    CarriedCommand& cc)
{
    const uint64_t L = r.length;
    if (L < commandBlockNeed(width) || PKT_PAYLOAD + L > length)
        return false;
    uint8_t* block = pk + PKT_PAYLOAD;
    if (width == PKT_WIDTH_32)
        ctlDecodeCommand(block, CTL_COMMAND_WIRE_SIZE, cc.cmd);
    else
        rebuildWide(block, width / 8, r.service, cc.cmd);
    areaSizes(r.service, cc);
    const uint64_t dataAt = PKT_PAYLOAD + L;
    if (dataAt + cc.dataSize + cc.senseSize > length)
        return false;
    uint8_t* data = cc.dataSize ? pk + dataAt : nullptr;
    uint8_t* sense = cc.senseSize ? pk + dataAt + cc.dataSize : nullptr;
    cc.cmd.param = nullptr;
    cc.cmd.data = nullptr;
    cc.cmd.sense = nullptr;
    if (cc.cmd.opcode == CTLOP_IOCTL || r.service == CTLSVC_CACHE) {
        cc.cmd.param = data;
    } else {
        cc.cmd.data = data;
        cc.cmd.sense = sense;
    }
    return true;
}

}  // namespace

uint16_t serve_driver_request(unsigned char access, uint8_t* pk, uint32_t length, DrvFiles* files)
{
    wire::put32(pk, PKT_RESULT, CTLERR_BAD_ARGUMENT);
    const uint8_t width = pk[PKT_WIDTH];
    const uint8_t controller = pk[PKT_CONTROLLER];
    if ((width != PKT_WIDTH_32 && width != PKT_WIDTH_64) || controller >= REMOTE_CONTROLLER_LIMIT ||
        length < PKT_PAYLOAD)
        return STATUS_OK;

    CtlRequest r;
    ctlDecodeRequest(pk + PKT_REQUEST, CTL_REQUEST_WIRE_SIZE, r);
    const uint64_t L = r.length;
    CarriedCommand cc;
    const CtlCommand* command = nullptr;
    if (r.function == CTLFN_COMMAND) {
        if (!prepareCommand(pk, length, width, r, cc))
            return STATUS_OK;
        command = &cc.cmd;
        r.buffer = &cc.cmd;
        r.length = CTL_COMMAND_WIRE_SIZE;
    } else {
        if (PKT_PAYLOAD + L > length || L < answerSize(r.function))
            return STATUS_OK;
        r.buffer = L != 0 ? pk + PKT_PAYLOAD : nullptr;
    }

    // A read-only connection refuses what the client marks as changing (flag
    // 0) and what the service itself finds changing, whatever the flag says.
    if (access != ACCESS_FULL && read_only_refuses(pk[PKT_READONLY], r, command)) {
        wire::put32(pk, PKT_RESULT, 0);
        return STATUS_ACCESS_DENIED;
    }

    CtlResult rc = driver_request(controller, &r, files);
    wire::put32(pk, PKT_RESULT, rc);
    // The request goes back with the module's info word; its length and
    // buffer field as they came.
    wire::put32(pk, PKT_REQUEST + 4, r.info);
    return STATUS_OK;
}
