// The table of controller commands and the one sender behind every builder.
#pragma once

#include "ctl_errors.h"
#include "ctl_request.h"

#include <cstddef>
#include <cstdint>

// How a command's parameter size is found.
enum class CtlSizeRule : uint8_t {
    FIXED,         // the row's size
    CALLER,        // the caller's size argument
    VALUE0,        // a 4-byte 0 of the builder's own
    VALUE1,        // a 4-byte 1 of the builder's own
    REC12_U16AT4,  // 12 + 4 x (u16 at p+4)
    REC5_BYTEAT3,  // 5 + (byte at p+3)
    REC8_U16AT6,   // 8 + (u16 at p+6)
};

// Where a command's target comes from.
enum class CtlTargetRule : uint8_t {
    T,      // the caller's target
    CTRL,   // 0xFFFF, the controller as a whole
    LOG,    // 0x2FFFF, the controller log
    OWNER,  // 0xFFFFFFFF, a disk's ownership record
};

// One command of the table.
struct CtlCommandDef {
    const char* name;
    uint32_t key;
    uint8_t readOnly;
    CtlSizeRule sizeRule;
    uint16_t size;
    CtlTargetRule targetRule;
};

// When a request of a key whose direction depends on its record writes.
enum class CtlWritesWhen : uint8_t {
    BYTE8_SET,       // byte 8 is not 0
    NOT_ALL_ONES,    // the record is not exactly the 4-byte 0xFFFFFFFF
    CODE_NOT_QUERY,  // byte 0 is not 3
    SELECTOR_SETS,   // byte 8 is not a reading selector (0 to 6)
};

// One key whose direction its parameter record decides.
struct CtlDirectionRule {
    uint32_t key;
    CtlWritesWhen when;
};

// Index of each row: CtlCmd::ctl_get_board_info and so on.
enum class CtlCmd : uint16_t {
#define X(name, key, ro, rule, size, target, args) name,
#include "ctl_command_list.h"
#undef X
    COUNT
};

// The row of command `id`.
const CtlCommandDef& ctl_command_def(CtlCmd id);

// The direction rule of `key`, or nullptr when its rows alone give its direction.
const CtlDirectionRule* ctl_direction_rule(uint32_t key);
// Every direction rule of the command list, and their number in *count.
const CtlDirectionRule* ctl_direction_rules(size_t* count);
// True when a request under `rule` with this parameter record of `size` bytes writes.
bool ctl_record_writes(CtlWritesWhen rule, const uint8_t* record, size_t size);

// Builds the IOCTL request of row `id` and hands it to the current module.
// `target` is used for rows with target rule T, `callerSize` for CALLER rows.
// Size rules that read the record refuse a missing record or a size above
// 0xFFFF with CTLERR_BAD_ARGUMENT.
CtlResult ctl_send_ioctl(CtlCmd id, uint16_t controller, uint32_t node, uint32_t target, void* p,
                         uint16_t callerSize);
// Hands a filled command to the current module as a function-32 request;
// *info (when given) receives the request's info word afterwards.
CtlResult ctl_send_command(uint16_t controller, uint8_t readOnly, uint8_t service, CtlCommand& cmd,
                           uint32_t* info = nullptr);
