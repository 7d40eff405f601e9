// -r: deletes every host drive of the controller, then de-initialises its disks.
#include "host_drive_removal.h"
#include "tool_run.h"

namespace {

int RunReset(ToolRun& run)
{
    CController* controller = RequireController(run);
    if (controller == nullptr)
        return 1;
    // The disks stay initialised when a host drive could not be deleted.
    if (DeleteAllHostDrives(*controller) != 0)
        return 1;
    return DeinitAllDisks(*controller);
}

}  // namespace

const ToolCommand kResetCommand = {"reset", &OptionsRecord::reset, RunReset};
