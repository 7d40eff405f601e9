// The enclosure slot and cluster steps that follow the making of a new host drive.
#pragma once

#include "controller.h"

#include <vector>

// Puts the chosen disks into the slots of the controller's SAF-TE enclosure
// processor, or announces the controller's own Auto Hot Plug; 1 when the
// slots were written or nothing was needed, else 0.
int ConfigureSafteHotPlug(CController& controller, const std::vector<int>& disks);
// Makes host drive `number` a private drive when a chosen disk lies outside
// the cluster channels (cluster firmware below level 30); 1, or 0 after the error code.
int SetClusterDrive(CController& controller, const std::vector<int>& disks, int arrayCode, int number);
