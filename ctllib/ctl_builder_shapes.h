// Parameter lists of the command builders, by the argument letters of the
// command list: c controller, n board node, t target, p record, s size.
// CTL_SIG_x declares a builder; CTL_DEF_x defines it over the generic sender
// as (row, controller, node, target, record, size).
#pragma once

#include "ctl_errors.h"

#include <cstdint>

#define CTL_SIG_CNTP(f) CtlResult f(uint16_t c, uint32_t n, uint32_t t, void* p)
#define CTL_SIG_CNTSP(f) CtlResult f(uint16_t c, uint32_t n, uint32_t t, uint16_t s, void* p)
#define CTL_SIG_CNTPS(f) CtlResult f(uint16_t c, uint32_t n, uint32_t t, void* p, uint16_t s)
#define CTL_SIG_CNT(f) CtlResult f(uint16_t c, uint32_t n, uint32_t t)
#define CTL_SIG_CNP(f) CtlResult f(uint16_t c, uint32_t n, void* p)
#define CTL_SIG_CNPS(f) CtlResult f(uint16_t c, uint32_t n, void* p, uint16_t s)
#define CTL_SIG_CN(f) CtlResult f(uint16_t c, uint32_t n)
#define CTL_SIG_CP(f) CtlResult f(uint16_t c, void* p)
#define CTL_SIG_CPS(f) CtlResult f(uint16_t c, void* p, uint16_t s)
#define CTL_SIG_CSP(f) CtlResult f(uint16_t c, uint16_t s, void* p)
#define CTL_SIG_CTP(f) CtlResult f(uint16_t c, uint32_t t, void* p)
#define CTL_SIG_CTPS(f) CtlResult f(uint16_t c, uint32_t t, void* p, uint16_t s)
#define CTL_SIG_CTSP(f) CtlResult f(uint16_t c, uint32_t t, uint16_t s, void* p)
#define CTL_SIG_CT(f) CtlResult f(uint16_t c, uint32_t t)
#define CTL_SIG_C(f) CtlResult f(uint16_t c)

#define CTL_DEF_CNTP(f) \
    CTL_SIG_CNTP(f) { return ctl_send_ioctl(CtlCmd::f, c, n, t, p, 0); }
#define CTL_DEF_CNTSP(f) \
    CTL_SIG_CNTSP(f) { return ctl_send_ioctl(CtlCmd::f, c, n, t, p, s); }
#define CTL_DEF_CNTPS(f) \
    CTL_SIG_CNTPS(f) { return ctl_send_ioctl(CtlCmd::f, c, n, t, p, s); }
#define CTL_DEF_CNT(f) \
    CTL_SIG_CNT(f) { return ctl_send_ioctl(CtlCmd::f, c, n, t, nullptr, 0); }
#define CTL_DEF_CNP(f) \
    CTL_SIG_CNP(f) { return ctl_send_ioctl(CtlCmd::f, c, n, 0, p, 0); }
#define CTL_DEF_CNPS(f) \
    CTL_SIG_CNPS(f) { return ctl_send_ioctl(CtlCmd::f, c, n, 0, p, s); }
#define CTL_DEF_CN(f) \
    CTL_SIG_CN(f) { return ctl_send_ioctl(CtlCmd::f, c, n, 0, nullptr, 0); }
#define CTL_DEF_CP(f) \
    CTL_SIG_CP(f) { return ctl_send_ioctl(CtlCmd::f, c, 0, 0, p, 0); }
#define CTL_DEF_CPS(f) \
    CTL_SIG_CPS(f) { return ctl_send_ioctl(CtlCmd::f, c, 0, 0, p, s); }
#define CTL_DEF_CSP(f) \
    CTL_SIG_CSP(f) { return ctl_send_ioctl(CtlCmd::f, c, 0, 0, p, s); }
#define CTL_DEF_CTP(f) \
    CTL_SIG_CTP(f) { return ctl_send_ioctl(CtlCmd::f, c, 0, t, p, 0); }
#define CTL_DEF_CTPS(f) \
    CTL_SIG_CTPS(f) { return ctl_send_ioctl(CtlCmd::f, c, 0, t, p, s); }
#define CTL_DEF_CTSP(f) \
    CTL_SIG_CTSP(f) { return ctl_send_ioctl(CtlCmd::f, c, 0, t, p, s); }
#define CTL_DEF_CT(f) \
    CTL_SIG_CT(f) { return ctl_send_ioctl(CtlCmd::f, c, 0, t, nullptr, 0); }
#define CTL_DEF_C(f) \
    CTL_SIG_C(f) { return ctl_send_ioctl(CtlCmd::f, c, 0, 0, nullptr, 0); }

// Rows with a hand-written builder get no generated one.
#define CTL_SIG_CUSTOM(f) static_assert(true, #f)
#define CTL_DEF_CUSTOM(f)
