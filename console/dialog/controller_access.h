// What the console's screens need of a controller beyond its information:
// reading its whole configuration, whether the model marks it busy, and the
// RAM text of the status line. Each is one call, so that the screens do not
// depend on how the model does it.
#pragma once

#include <cstdint>

class CController;

// Reads the controller's configuration (devices and drives); 1, or 0 with
// the failure in the controller's error word.
int ReadControllerConfiguration(CController& controller);
// 1 when the model marks the controller busy (the console skips it then).
int ControllerBusy(const CController& controller);

// The RAM text of the status line: "%d MB %s" with the cache RAM size and
// the RAM type name, then "/P" (parity) or "/ECC". Returns `out`.
char* RamText(const CController& controller, char* out, int size);
