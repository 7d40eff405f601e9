// -d: deletes one host drive.
#include "host_drive_removal.h"
#include "messages.h"
#include "tool_run.h"

namespace {

int RunDelete(ToolRun& run)
{
    CController* controller = RequireController(run);
    if (controller == nullptr)
        return 1;
    if (run.options.HOSTDRIVE < 0) {
        Emit("ERROR: You need to specify the hostdrive\n");
        return 1;
    }
    return DeleteHostDrive(*controller, run.options.HOSTDRIVE);
}

}  // namespace

const ToolCommand kDeleteCommand = {"delete", &OptionsRecord::deleteDrive, RunDelete};
