// -s: the controllers with their disks and host drives, or the settings asked for.
#include "tool_run.h"

namespace {

int RunStatus(ToolRun&)
{
    return CommandNotAvailable("status");
}

}  // namespace

const ToolCommand kStatusCommand = {"status", &OptionsRecord::status, RunStatus};
