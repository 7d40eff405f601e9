// Waiting for the build of a new host drive with its progress on standard error.
#pragma once

#include "controller.h"

// Shows the build progress of host drive `number` until it is finished; 0,
// or 1 after the error code of a failing progress query.
int WaitForBuild(CController& controller, int number);
