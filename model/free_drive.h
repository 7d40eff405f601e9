// CFreeDrive: a drive number that no logical and no host drive uses yet.
// Declared with what the controller's lists need: the owner pointer and
// copying; the disk list and operations are added with it.
#pragma once

#include "abstr_base.h"

#include <cstdint>

class CController;

class CFreeDrive : public CAbstrBase {
public:
    uint16_t driveNumber = 0;           // the free drive number
    uint16_t controllerNumber = 0;      // controller number of every request
    CController* controller = nullptr;  // owner
};
