// ProgressRequest: the caller's record of every long operation of the model
// (start, watch and abort), the disk surface check among them.
#pragma once

#include <cstdint>

constexpr int PROGRESS_START = 1;
constexpr int PROGRESS_QUERY = 2;
constexpr int PROGRESS_ABORT = 3;
constexpr int PROGRESS_CHECK_ONLY = 0x80;  // added to an operation: check only, change nothing

struct ProgressRequest {
    int operation = 0;   // 1 start, 2 progress, 3 abort
    int percent = 0;     // out: percent done (100 = finished); in for some operations
    int state = 0;       // out: the object's state after the call
    uint32_t value = 0;  // in/out, by operation
};
