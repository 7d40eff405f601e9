// Request builders: the IOCTL rows of the command list and the builders of
// the block, access reset and raw SCSI layouts.
#include "ctl_commands.h"

#include "byte_order.h"
#include "ctl_command_table.h"

#include <cstring>

#define X(name, key, ro, rule, size, target, args) CTL_DEF_##args(name)
#include "ctl_command_list.h"
#undef X

CtlResult ctl_controller_record_81(uint16_t c, uint8_t a, uint8_t b, uint32_t v)
{
    uint8_t rec[8] = {};
    wire::put16(rec, 0, 8);
    rec[2] = a;
    rec[3] = b;
    wire::put32(rec, 4, v);
    return ctl_send_ioctl(CtlCmd::ctl_controller_record_81, c, 0, 0, rec, 0);
}

namespace {

// Opcode 1 or 2 on the cache service for the blocks of r.
CtlResult blockTransfer(BlockIoRecord& r, uint16_t opcode, uint8_t readOnly)
{
    if (r.blockCount != 0 && (r.data == nullptr || uint64_t{r.blockCount} * 512 > r.dataSize))
        return CTLERR_BAD_ARGUMENT;
    CtlCommand cmd;
    cmd.opcode = opcode;
    cmd.size = r.hostDrive;
    cmd.key = r.firstBlock;
    cmd.target = r.blockCount;
    cmd.param = r.data;
    return ctl_send_command(r.controller, readOnly, CTLSVC_CACHE, cmd);
}

}  // namespace

CtlResult ctl_read_blocks(BlockIoRecord& r)
{
    return blockTransfer(r, CTLOP_BLOCK_READ, 1);
}

CtlResult ctl_write_blocks(BlockIoRecord& r)
{
    return blockTransfer(r, CTLOP_BLOCK_WRITE, 0);
}

CtlResult ctl_host_drive_opcode6(uint16_t c, uint32_t n, uint16_t d)
{
    CtlCommand cmd;
    cmd.boardNode = n;
    cmd.opcode = CTLOP_ACCESS_RESET;
    cmd.size = d;
    return ctl_send_command(c, 0, CTLSVC_CACHE, cmd);  // resets access: a change
}

CtlResult ctl_raw_scsi_command(RawScsiRecord& r)
{
    if (r.cdbLength > sizeof r.cdb || (r.dataLength != 0 && r.data == nullptr))
        return CTLERR_BAD_ARGUMENT;
    CtlCommand cmd;
    cmd.opcode = CTLOP_SCSI;
    cmd.key = r.direction == 0 ? RAW_DIRECTION_IN : 0;
    cmd.data = r.data;
    cmd.dataLength = r.dataLength;
    cmd.cdbLength = r.cdbLength;
    std::memcpy(cmd.cdb, r.cdb, sizeof cmd.cdb);
    cmd.bus = r.bus;
    cmd.targetId = r.targetId;
    cmd.lun = r.lun;
    cmd.senseLength = RAW_SENSE_LENGTH;
    cmd.sense = r.sense;
    return ctl_send_command(r.controller, 0, CTLSVC_RAW, cmd, &r.info);  // info whatever the result
}
