// -c: creates a host drive from the disks given.
#include "messages.h"
#include "tool_run.h"

namespace {

int RunCreate(ToolRun& run)
{
    const OptionsRecord& o = run.options;
    if (RequireController(run) == nullptr)
        return 1;
    if (o.SIZE == -1) {
        Emit("ERROR: Invalid SIZE specified. Action Aborted\n");
        return 1;
    }
    if (o.RAID == -1) {
        Emit("ERROR: You need to specify the RAIDTYPE\n");
        return 1;
    }
    if (o.DISKS.empty()) {
        Emit("ERROR: You need to specify the disks\n");
        return 1;
    }
    return CommandNotAvailable("create");
}

}  // namespace

const ToolCommand kCreateCommand = {"create", &OptionsRecord::create, RunCreate};
