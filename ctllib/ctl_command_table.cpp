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

constexpr CtlDirectionRule kDirectionRules[] = {
#define X(name, key, ro, rule, size, target, args)
#define WRITES_WHEN(key, rule) {key, CtlWritesWhen::rule},
#include "ctl_command_list.h"
#undef WRITES_WHEN
#undef X
};

// Selectors of the enclosure query that only read.
constexpr uint8_t LAST_READING_SELECTOR = 6;
// Code of the state commands that asks for progress.
constexpr uint8_t QUERY_CODE = 3;

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

const CtlDirectionRule* ctl_direction_rule(uint32_t key)
{
    for (const CtlDirectionRule& r : kDirectionRules)
        if (r.key == key)
            return &r;
    return nullptr;
}

const CtlDirectionRule* ctl_direction_rules(size_t* count)
{
    if (count != nullptr)
        *count = sizeof kDirectionRules / sizeof kDirectionRules[0];
    return kDirectionRules;
}

bool ctl_record_writes(CtlWritesWhen rule, const uint8_t* record, size_t size)
{
    if (record == nullptr)
        size = 0;
    switch (rule) {
    case CtlWritesWhen::BYTE8_SET:
        return size < 9 || record[8] != 0;
    case CtlWritesWhen::NOT_ALL_ONES:
        return size != 4 || wire::get32(record, 0) != 0xFFFFFFFFu;
    case CtlWritesWhen::CODE_NOT_QUERY:
        return size < 1 || record[0] != QUERY_CODE;
    case CtlWritesWhen::SELECTOR_SETS:
        return size < 9 || record[8] > LAST_READING_SELECTOR;
    }
    return true;
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
