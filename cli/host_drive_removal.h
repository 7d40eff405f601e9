// Removing host drives and de-initialising the disks no drive uses any more.
#pragma once

#include "controller.h"

// Deletes host drive `number` (and those sharing its drive); 0 or 1.
int DeleteHostDrive(CController& controller, int number);
// Deletes every host drive; 0, or 1 when there was none or one stayed.
int DeleteAllHostDrives(CController& controller);
// De-initialises every initialised disk that no drive uses; always 0.
int DeinitFreeDisks(CController& controller);
// Tries to de-initialise every device of the controller; always 0.
int DeinitAllDisks(CController& controller);
