// Words the command handlers of the emulated firmware share: the targets that
// name the controller or every host drive, and the progress request of arrays
// and mirrors.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kzmsim {

constexpr uint32_t CONTROLLER_TARGET = 0xFFFF;
constexpr uint32_t ALL_HOST_DRIVES = 0xFFFFFFFF;  // host drive -1

constexpr uint8_t CODE_QUERY = 3;                 // progress request: code byte of a query
constexpr size_t STATE_PERCENT = 2;               // progress reply: percent byte

}  // namespace kzmsim
