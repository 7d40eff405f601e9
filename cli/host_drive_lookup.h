// Looking up a host drive by its number for the commands that change one.
#pragma once

#include "controller.h"

// Re-reads the controller and gives the index of host drive `number`, or -1
// after "no Host drives" or "Invalid Host Drive".
int FindHostDrive(CController& controller, int number);
