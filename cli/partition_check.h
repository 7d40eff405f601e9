// Whether a host drive holds a partition table, for the removal checks.
#pragma once

#include "controller.h"

// True when the host drive has a partition table: sector 0 ends in 0x55AA
// and a primary entry is used; a sector 0 that cannot be read counts too.
bool HostDriveIsPartitioned(CController& controller, const CHostDrive& drive);
