#include "messages.h"
#include "tool_run.h"

ForceSwitches g_force;

namespace {

constexpr const ToolCommand* kCommands[] = {
    &kStatusCommand, &kCreateCommand, &kDeleteCommand, &kResetCommand, &kAssignCommand,
};

}  // namespace

std::span<const ToolCommand* const> ToolCommands()
{
    return kCommands;
}

CController* RequireController(ToolRun& run)
{
    if (run.options.CTR < 0) {
        Emit("ERROR: You need to specify the controller\n");
        return nullptr;
    }
    return &run.Controller(run.options.CTR);
}

int CommandNotAvailable(const char* name)
{
    Emit("ERROR: The %s command is not available yet\n", name);
    return 1;
}
