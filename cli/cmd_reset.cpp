// -r: deletes every host drive of the controller.
#include "tool_run.h"

namespace {

int RunReset(ToolRun& run)
{
    if (RequireController(run) == nullptr)
        return 1;
    return CommandNotAvailable("reset");
}

}  // namespace

const ToolCommand kResetCommand = {"reset", &OptionsRecord::reset, RunReset};
