#include "request_record.h"

#include "driver_layout.h"

#include <byte_order.h>

namespace kzmsim {

bool isKnownRequestCode(uint16_t code)
{
    switch (code) {
    case DRVREQ_COMMAND:
    case DRVREQ_DRIVER_VERSION:
    case DRVREQ_CONTROLLER_TYPE:
    case DRVREQ_OS_VERSION:
    case DRVREQ_CONTROLLER_COUNT:
    case DRVREQ_LOCK_HOST_DRIVES:
    case DRVREQ_LOCK_CHANNEL:
    case DRVREQ_EVENT:
    case DRVREQ_RESCAN:
        return true;
    default:
        return false;
    }
}

RecordShape recordShape(const uint8_t* p, size_t have)
{
    RecordShape shape;
    if (have >= REC_MAGIC + 4 && wire::get32(p, REC_MAGIC) != DRVREQ_MAGIC) {
        shape.check = RecordCheck::Invalid;
        return shape;
    }
    if (have >= REC_CODE + 2 && !isKnownRequestCode(wire::get16(p, REC_CODE))) {
        shape.check = RecordCheck::Invalid;
        return shape;
    }
    if (have < REC_SIZE)
        return shape;
    if (wire::get16(p, REC_CODE) == DRVREQ_COMMAND) {
        const uint16_t service = wire::get16(p, REC_SERVICE);
        const uint16_t opcode = wire::get16(p, REC_OPCODE);
        if (opcode == OP_IOCTL) {
            shape.dataLength = wire::get16(p, REC_PARAM_SIZE);
        } else if (service == SVC_CACHE) {
            const uint64_t blocks = wire::get32(p, REC_TARGET);
            if (blocks > (MAX_RECORD_SIZE - REC_SIZE) / BLOCK_SIZE) {
                shape.check = RecordCheck::Invalid;
                return shape;
            }
            shape.dataLength = static_cast<size_t>(blocks * BLOCK_SIZE);
        } else if (service == SVC_RAW) {
            const uint64_t d = wire::get32(p, REC_RAW_DATA_LEN);
            const uint64_t s = wire::get32(p, REC_RAW_SENSE_LEN);
            if (d + s > MAX_RECORD_SIZE - REC_SIZE) {
                shape.check = RecordCheck::Invalid;
                return shape;
            }
            shape.dataLength = static_cast<size_t>(d);
            shape.senseLength = static_cast<size_t>(s);
        } else {
            shape.check = RecordCheck::Invalid;
            return shape;
        }
    }
    shape.length = REC_SIZE + shape.dataLength + shape.senseLength;
    shape.check = have >= shape.length ? RecordCheck::Complete : RecordCheck::NeedMore;
    if (have > shape.length)
        shape.check = RecordCheck::Invalid;
    return shape;
}

CommandFields commandFields(const uint8_t* r, size_t dataLength, size_t senseLength)
{
    CommandFields c;
    c.service = wire::get16(r, REC_SERVICE);
    c.node = wire::get32(r, REC_NODE);
    c.opcode = wire::get16(r, REC_OPCODE);
    c.paramSize = wire::get16(r, REC_PARAM_SIZE);
    c.key = wire::get32(r, REC_KEY);
    c.target = wire::get32(r, REC_TARGET);
    c.dataLength = dataLength;
    c.senseLength = senseLength;
    return c;
}

}  // namespace kzmsim
