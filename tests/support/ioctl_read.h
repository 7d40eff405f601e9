// An IOCTL read of a controller as the console's cache service sends it,
// shared by the tests and benchmarks that send one through a driver module.
#pragma once

#include <cstdint>
#include <vector>

#include "ctl_request.h"

// Sets `param` to `size` zero bytes, `cmd` to the IOCTL read of `key` of
// `target` into it, and `r` to the controller command carrying `cmd`.
inline void prepareIoctlRead(uint32_t key, uint16_t size, std::vector<uint8_t>& param, CtlCommand& cmd,
                             CtlRequest& r, uint32_t target = CTL_TARGET_CONTROLLER)
{
    param.assign(size, 0);
    cmd.opcode = CTLOP_IOCTL;
    cmd.size = size;
    cmd.key = key;
    cmd.target = target;
    cmd.param = param.data();
    r.function = CTLFN_COMMAND;
    r.readOnly = 1;
    r.service = CTLSVC_CACHE;
    r.length = CTL_COMMAND_WIRE_SIZE;
    r.buffer = &cmd;
}
