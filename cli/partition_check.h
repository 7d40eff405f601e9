// Whether a host drive holds a partition table, for the removal checks.
#pragma once

#include "controller.h"

// True when the host drive's partition table is in use: a primary entry is
// used, or sector 0 cannot be read, or its table is invalid.
bool HostDriveIsPartitioned(CHostDrive& drive);
