// Freeing the enclosure slots of disks that leave the configuration (a
// mirror or an array being deleted): the slot tables of their enclosure
// processors and the controller's enclosure configurations.
#pragma once

#include "carray.h"

#include <cstdint>

class CController;

// Marks the slots holding the disks (physical device indices, in order) as
// not occupied in their enclosure processors' slot tables; false with the
// device's code in `error`.
bool ReleaseEnclosureProcessorSlots(CController& controller, const CArray<int>& disks, uint32_t& error);
// Removes the disks' entries from the controller enclosure configurations
// that list them; false with the controller's code in `error`.
bool ReleaseEnclosureConfigSlots(CController& controller, const CArray<int>& disks, uint32_t& error);
