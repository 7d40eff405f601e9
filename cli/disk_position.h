// The position text by which the tool names a disk: "SCSI-A-5", "FCAL-B-1",
// "SATA-B-2" (channel name, the channel letter on SATA, the target ID).
#pragma once

#include "controller.h"

#include <string>

// The disk's plain position (no LUN, no marks); empty when its channel lies
// outside the controller's channel records.
std::string DiskPositionText(const CController& controller, const CPhysDrive& disk);
// The controller's channel record of the disk, or null when it has none.
const ControllerChannel* DiskChannel(const CController& controller, const CPhysDrive& disk);
