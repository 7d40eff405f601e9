// The disks a new host drive may be made of, and the DISKS list naming them.
#pragma once

#include "controller.h"
#include "options_record.h"

#include <vector>

// Indexes of the controller's disks that a new drive may use; false after
// the message when there is none.
bool CollectSuitableDisks(CController& controller, std::vector<int>& suitable);
// The disks the DISKS entries name, in entry order without duplicates; 1
// after "ERROR: Invalid disk specified: %s\n", else 0.
int ParseDiskList(CController& controller, std::vector<int>& chosen, const OptionsRecord& options);
// The DiskParameters with which the tool initialises disk `disk`.
DiskParameters CreateDiskParameters(const CController& controller, const CPhysDrive& disk);
