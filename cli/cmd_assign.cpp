// -a: one change to the controller: boot drive, firmware, host drive number,
// or its settings.
#include "messages.h"
#include "tool_run.h"

namespace {

// Carries out the first action that the options ask for (boot drive,
// firmware, host drive number, else the settings); 0 on success.
int AssignAction(ToolRun& run)
{
    const OptionsRecord& o = run.options;
    const bool swapAsked = o.BOOTDRIVE == -1 && o.fwUpdate != 1 && o.SWAPDRIVE != -1;
    if (swapAsked && o.HOSTDRIVE < 0)
        Emit("ERROR: Please specify a HOSTDRIVE to swap with.\n");
    return CommandNotAvailable("assign");
}

int RunAssign(ToolRun& run)
{
    if (RequireController(run) == nullptr)
        return 1;
    if (AssignAction(run) != 0) {
        Emit("ERROR: During Controller assign operation\n");
        return 1;
    }
    return 0;
}

}  // namespace

const ToolCommand kAssignCommand = {"assign", &OptionsRecord::assign, RunAssign};
