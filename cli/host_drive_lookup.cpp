#include "host_drive_lookup.h"

#include "messages.h"

int FindHostDrive(CController& controller, int number)
{
    if (!controller.Refresh())
        PrintErrorCode(controller.error);
    if (controller.hostDrives.count == 0) {
        Emit("INFO: Controller has no Host drives. Action Aborted\n");
        return -1;
    }
    const int index = controller.FindHostDrive(number);
    if (index < 0)
        Emit("ERROR: Invalid Host Drive specified. Action Aborted.\n");
    return index;
}
