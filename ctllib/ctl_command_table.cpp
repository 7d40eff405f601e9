// The command table and the generic IOCTL sender.
#include "ctl_command_table.h"

#include "byte_order.h"
#include "xport.h"

namespace {

constexpr CtlCommandDef kCommands[] = {
#define X(name, key, ro, rule, size, target, args) \
    {#name, key, ro, CtlSizeRule::rule, size, CtlTargetRule::target},
#include "ctl_command_list.h"
#undef X
};
static_assert(sizeof kCommands / sizeof kCommands[0] == static_cast<size_t>(CtlCmd::COUNT));

uint32_t targetOf(const CtlCommandDef& d, uint32_t target)
{
    switch (d.targetRule) {
    case CtlTargetRule::CTRL: return CTL_TARGET_CONTROLLER;
    case CtlTargetRule::LOG: return 0x2FFFF;
    case CtlTargetRule::OWNER: return 0xFFFFFFFF;
    case CtlTargetRule::T: break;
    }
    return target;
}

// Parameter size of row d for record p; false when it cannot be worked out.
bool sizeOf(const CtlCommandDef& d, const void* p, uint16_t callerSize, uint16_t& size)
{
    const auto* rec = static_cast<const uint8_t*>(p);
    uint32_t n = 0;
    switch (d.sizeRule) {
    case CtlSizeRule::FIXED:
    case CtlSizeRule::VALUE0:
    case CtlSizeRule::VALUE1: n = d.size; break;
    case CtlSizeRule::CALLER: n = callerSize; break;
    case CtlSizeRule::REC12_U16AT4:
        if (rec == nullptr)
            return false;
        n = 12 + 4u * wire::get16(rec, 4);
        break;
    case CtlSizeRule::REC5_BYTEAT3:
        if (rec == nullptr)
            return false;
        n = 5 + rec[3];
        break;
    case CtlSizeRule::REC8_U16AT6:
        if (rec == nullptr)
            return false;
        n = 8 + wire::get16(rec, 6);
        break;
    }
    if (n > 0xFFFF)
        return false;  // would not fit the command's 16-bit size field
    size = static_cast<uint16_t>(n);
    return true;
}

}  // namespace

const CtlCommandDef& ctl_command_def(CtlCmd id)
{
    return kCommands[static_cast<size_t>(id)];
}

CtlResult ctl_send_command(uint16_t controller, uint8_t readOnly, uint8_t service, CtlCommand& cmd,
                           uint32_t* info)
{
    CtlRequest r;
    r.function = CTLFN_COMMAND;
    r.readOnly = readOnly;
    r.service = service;
    r.length = CTL_COMMAND_WIRE_SIZE;
    r.buffer = &cmd;
    CtlResult rc = ctl_dispatch_request(controller, &r);
    if (info != nullptr)
        *info = r.info;
    return rc;
}

CtlResult ctl_send_ioctl(CtlCmd id, uint16_t controller, uint32_t node, uint32_t target, void* p,
                         uint16_t callerSize)
{
    const CtlCommandDef& d = ctl_command_def(id);
    uint16_t size = 0;
    if (!sizeOf(d, p, callerSize, size))
        return CTLERR_BAD_ARGUMENT;
    uint8_t value[4] = {};  // the builder's own value of the VALUE rows
    if (d.sizeRule == CtlSizeRule::VALUE0 || d.sizeRule == CtlSizeRule::VALUE1) {
        wire::put32(value, 0, d.sizeRule == CtlSizeRule::VALUE1 ? 1 : 0);
        p = value;
    }
    CtlCommand cmd;
    cmd.boardNode = node;
    cmd.opcode = CTLOP_IOCTL;
    cmd.size = size;
    cmd.key = d.key;
    cmd.target = targetOf(d, target);
    cmd.param = p;
    return ctl_send_command(controller, d.readOnly, CTLSVC_CACHE, cmd);
}
