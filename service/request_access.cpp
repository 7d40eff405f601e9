#include "request_access.h"

#include <algorithm>
#include <map>

#include "ctl_command_table.h"
#include "ctl_driver_records.h"

namespace {

// SCSI commands that only read: TEST UNIT READY, REQUEST SENSE, READ(6),
// INQUIRY, MODE SENSE(6), RECEIVE DIAGNOSTIC RESULTS, READ CAPACITY(10),
// READ(10), LOG SENSE, MODE SENSE(10), REPORT LUNS.
constexpr uint8_t kReadingScsi[] = {0x00, 0x03, 0x08, 0x12, 0x1A, 0x1C,
                                    0x25, 0x28, 0x4D, 0x5A, 0xA0};

// Every key of the command table with its read-only flag; a key that the
// table lists more than once reads only when all its rows do.
const std::map<uint32_t, bool>& keyTable()
{
    static const std::map<uint32_t, bool> table = [] {
        std::map<uint32_t, bool> t;
        for (uint16_t i = 0; i < static_cast<uint16_t>(CtlCmd::COUNT); ++i) {
            const CtlCommandDef& d = ctl_command_def(static_cast<CtlCmd>(i));
            auto [it, fresh] = t.emplace(d.key, d.readOnly != 0);
            if (!fresh)
                it->second = it->second && d.readOnly != 0;
        }
        return t;
    }();
    return table;
}

bool commandChanges(uint8_t service, const CtlCommand& c)
{
    if (c.opcode == CTLOP_IOCTL)
        return ioctl_changes(c.key, static_cast<const uint8_t*>(c.param), c.size);
    if (service == CTLSVC_CACHE)
        return c.opcode != CTLOP_BLOCK_READ;  // writes, access reset and unknown opcodes change
    if (service == CTLSVC_RAW && c.opcode == CTLOP_SCSI)
        return !scsi_opcode_reads_only(c.cdb[0]);
    return true;
}

}  // namespace

bool ioctl_key_reads_only(uint32_t key)
{
    const auto& t = keyTable();
    auto it = t.find(key);
    return it != t.end() && it->second;  // unknown keys change
}

bool ioctl_changes(uint32_t key, const uint8_t* param, size_t size)
{
    // A key that both reads and writes is decided by what its record asks.
    if (const CtlDirectionRule* rule = ctl_direction_rule(key))
        return ctl_record_writes(rule->when, param, size);
    return !ioctl_key_reads_only(key);
}

bool scsi_opcode_reads_only(uint8_t opcode)
{
    return std::find(std::begin(kReadingScsi), std::end(kReadingScsi), opcode) !=
           std::end(kReadingScsi);
}

bool request_changes_controller(const CtlRequest& r, const CtlCommand* command)
{
    switch (r.function) {
    case CTLFN_DRIVER_VERSION:
    case CTLFN_OS_VERSION:
    case CTLFN_SYSTEM_INFO:
    case CTLFN_CONTROLLER_TYPE:
    case CTLFN_DRIVER_REQUEST_19:
    case CTLFN_DRIVER_STATISTICS:
        return false;
    case CTLFN_EVENT:
        // Only the walk by handle leaves the store as it is: the next-new
        // read hands each event out once (taking it from the service's own
        // event watching) and the clear empties the store.
        return r.service != EVENT_NEXT_AFTER;
    case CTLFN_COMMAND:
        return command == nullptr || commandChanges(r.service, *command);
    default:
        return true;  // locks, rescan and anything unknown
    }
}

bool read_only_refuses(uint8_t clientFlag, const CtlRequest& request, const CtlCommand* command)
{
    return clientFlag == 0 || request_changes_controller(request, command);
}
