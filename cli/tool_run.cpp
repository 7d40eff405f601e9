#include "tool_run.h"

#include "messages.h"

ForceSwitches g_force;

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
