// Encoding of driver request records.
#include "driver_record.h"

#include "byte_order.h"

CtlResult drvCommandAreas(const CtlCommand& c, uint8_t service, CommandAreas& out)
{
    out = CommandAreas{};
    uint64_t data = 0;
    uint64_t sense = 0;
    if (c.opcode == CTLOP_IOCTL) {
        data = c.size;
        out.data = c.param;
    } else if (service == CTLSVC_CACHE) {
        data = static_cast<uint64_t>(c.target) * 512;  // block count, no 32-bit overflow
        out.data = c.param;
    } else if (service == CTLSVC_RAW) {
        data = c.dataLength;
        sense = c.senseLength;
        out.data = c.data;
        out.sense = c.sense;
    } else {
        return CTLERR_NOT_SERVED;
    }
    if (data + sense > CTL_MAX_TRANSFER)
        return CTLERR_BAD_ARGUMENT;
    if ((data != 0 && out.data == nullptr) || (sense != 0 && out.sense == nullptr))
        return CTLERR_BAD_ARGUMENT;
    out.dataSize = static_cast<uint32_t>(data);
    out.senseSize = static_cast<uint32_t>(sense);
    return CTL_OK;
}

void drvPutHeader(uint8_t* record, uint16_t code, uint16_t controller, uint16_t service)
{
    wire::put32(record, 0, DRVREQ_MAGIC);
    wire::put16(record, 4, code);
    wire::put16(record, 6, controller);
    wire::put16(record, 8, service);
    wire::put16(record, 10, DRV_TIMEOUT);
}

void drvPutCommand(uint8_t* record, const CtlCommand& c, uint8_t service)
{
    // Record offset 12 + k holds the command's offset k.
    wire::put32(record, DRV_CODE_AREA + 0, c.boardNode);
    wire::put16(record, DRV_CODE_AREA + 8, c.opcode);
    if (c.opcode == CTLOP_IOCTL || service == CTLSVC_CACHE) {
        wire::put16(record, DRV_CODE_AREA + 10, c.size);
        wire::put32(record, DRV_CODE_AREA + 12, c.key);
        wire::put32(record, DRV_CODE_AREA + 16, c.target);
    } else if (service == CTLSVC_RAW) {
        wire::put32(record, DRV_CODE_AREA + 12, c.key);  // direction
        wire::put32(record, DRV_CODE_AREA + 16, c.target);
        wire::put32(record, DRV_CODE_AREA + 28, c.dataLength);
        wire::put32(record, DRV_CODE_AREA + 32, c.cdbLength);
        wire::putBytes(record, DRV_CODE_AREA + 36, c.cdb, sizeof c.cdb);
        record[DRV_CODE_AREA + 48] = c.bus;
        record[DRV_CODE_AREA + 49] = c.targetId;
        record[DRV_CODE_AREA + 50] = c.lun;
        wire::put32(record, DRV_CODE_AREA + 52, c.senseLength);
    }
}
