// Updating a controller's firmware from an image file.
#pragma once

#include "controller.h"

// Writes the image at `path` (directory and file name) to the controller's
// flash; 1 when the firmware was written, else 0 after the message.
int UpdateFirmware(CController& controller, const char* path);
