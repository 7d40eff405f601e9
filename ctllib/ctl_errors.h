// Library error codes: the 32-bit result of every library operation.
#pragma once

#include <cstdint>

using CtlResult = uint32_t;

constexpr CtlResult CTL_OK = 0;
constexpr CtlResult CTLERR_CONTROLLER = 0x01000000;     // + controller status (low 16 bits)
constexpr CtlResult CTLERR_NOT_AVAILABLE = 0x0200FFFF;  // no module open, device index out of range
constexpr CtlResult CTLERR_LIB_NO_MEMORY = 0x0200FFFE;  // manager or composite operation out of memory
constexpr CtlResult CTLERR_ERRNO = 0x10000000;          // + low 16 bits of errno
constexpr CtlResult CTLERR_REMOTE_STATUS = 0x20000000;  // + remote packet status
constexpr CtlResult CTLERR_SOCKET = 0x40000000;         // + low 16 bits of errno
constexpr CtlResult CTLERR_BAD_ARGUMENT = 0x80000001;
constexpr CtlResult CTLERR_NO_MEMORY = 0x80000002;
constexpr CtlResult CTLERR_NOT_SERVED = 0x80000003;

// Builds CTLERR_ERRNO from an errno value.
inline CtlResult ctlErrno(int e) { return CTLERR_ERRNO + (static_cast<uint32_t>(e) & 0xFFFF); }
