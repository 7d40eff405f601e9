// -d: deletes one host drive.
#include "messages.h"
#include "tool_run.h"

namespace {

int RunDelete(ToolRun& run)
{
    if (RequireController(run) == nullptr)
        return 1;
    if (run.options.HOSTDRIVE < 0) {
        Emit("ERROR: You need to specify the hostdrive\n");
        return 1;
    }
    return CommandNotAvailable("delete");
}

}  // namespace

const ToolCommand kDeleteCommand = {"delete", &OptionsRecord::deleteDrive, RunDelete};
