// Entry of the TCP/IP client module. The module itself is not part of this
// build yet: INIT refuses, so the manager leaves row 1 empty, exactly as
// after any failed load.
#include "tcp_module.h"

CtlResult tcp_module_entry(uint32_t code, void* /*record*/)
{
    switch (code) {
    case MODENTRY_INIT:
        return CTLERR_NOT_SERVED;  // no module to start
    case MODENTRY_EXIT:
        return CTL_OK;
    default:
        return CTLERR_NOT_SERVED;
    }
}
