// HostSystemInfo: what a machine reports about itself when it is connected;
// copied by value into every controller of the machine. An in-memory record
// (it never crosses the driver interface or the network).
#pragma once

#include "ctl_driver_records.h"

#include <cstdint>

// Entries of the host system record the model asks for.
constexpr int HOST_SYSTEM_ENTRIES = 32;
constexpr size_t HOST_SYSTEM_RECORD_SIZE = SYSINFO_HEAD_SIZE + HOST_SYSTEM_ENTRIES * SYSINFO_CALLER_ENTRY;

struct HostSystemInfo {
    int32_t remote = 0;         // 1 when the machine's interface module is a remote one
    int32_t loginRequired = 0;  // 1 when a user name and password are required
    int32_t available = 0;      // 0: the console does not offer the machine
    OsVersionInfo os;           // operating system version
    uint8_t systemRecord[HOST_SYSTEM_RECORD_SIZE] = {};  // host system record, 32 entries
};
