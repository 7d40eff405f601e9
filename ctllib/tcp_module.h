// The TCP/IP client module's entry, through which the manager loads it.
#pragma once

#include "xport_module.h"

// Serves the module entry codes (INIT, EXIT, DESCRIBE, INFO).
CtlResult tcp_module_entry(uint32_t code, void* record);
