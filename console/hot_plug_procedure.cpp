#include "hot_plug_procedure.h"
#include "repair_assistant.h"

#include "message_boxes.h"
#include "message_catalog.h"

namespace {

// Not built yet: says so.
int NotYet()
{
    ShowMessage(MessageText("M0000"), 0, 1);
    return 0;
}

}  // namespace

int CollectFreeTargets(CController&, int, int, int) { return 1; }
int AskFreeTarget(CController&, int*, int*, int) { return NotYet(); }
int HotPlugDisk(CController&, int, int* number, int, int)
{
    if (number)
        *number = -1;
    return NotYet();
}
int HotReplaceDisk(CController&, CLogDrive&) { return NotYet(); }
int ReplaceFailedArrayDisk(CController&, CLogDrive&, int, int) { return NotYet(); }
int ReplaceMissingMirrorDisk(CMirrorDrive&, int, int) { return NotYet(); }
int RepairArrayDrives(CController&) { return NotYet(); }
int RemoveMissingMirrorComponents(CMirrorDrive&, int) { return NotYet(); }
