// Hooks of the module manager for tests: substitute the module entry that
// fills row 1, and return the manager to its state before any open.
#pragma once

#include "xport_module.h"

// Uses `entry` in place of the TCP/IP client module entry (nullptr: the real one).
void xport_set_module_entry(ModuleEntryFn entry);
// Closed state: no module current, handle -1, row 1 empty.
void xport_reset();
// The handle of the current module (-1 when none was opened).
int xport_current_handle();
