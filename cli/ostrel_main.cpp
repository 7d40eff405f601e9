// ostrel: the command-line RAID configuration tool.
#include "messages.h"
#include "option_parser.h"
#include "session.h"
#include "tool_run.h"

#include <unistd.h>

#include <cstdlib>

namespace {

// Opens the library on the local controllers and connects the first machine;
// false after the start-up message.
bool StartUp(CSession& session, ToolRun& run)
{
    if (session.Init(0) != 1 || session.EnumTransports() != 1 || session.transports.count < 1) {
        Emit("Error: Initialization failed ! (Device driver not loaded ?)\n");
        return false;
    }
    CTransport& transport = session.transports[0];
    transport.EnumHostSystems(nullptr);
    if (transport.machines.count < 1)
        return true;
    run.machine = &transport.machines[0];
    run.machine->Connect();
    run.controllerCount = run.machine->controllers.count;
    if (run.controllerCount == 0) {
        Emit("No Controller Found !\n");
        return false;
    }
    return true;
}

bool AnyCommandAsked(const OptionsRecord& o)
{
    for (const ToolCommand* command : ToolCommands())
        if (o.*command->flag)
            return true;
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    // The model's objects live until the process ends.
    static CSession session;
    static OptionsRecord options;

    if (getuid() != 0) {
        Emit("You must be super user to run this program.\n");
        std::exit(1);
    }
    if (ParseOptions(options, argc, argv) != 0)
        std::exit(1);
    SetMessagesQuiet(options.quiet == 1);
    if (options.help == 1)
        std::exit(0);

    ToolRun run{options};
    if (!StartUp(session, run))
        std::exit(1);
    if (AnyCommandAsked(options) && (options.CTR < -1 || options.CTR >= run.controllerCount)) {
        Emit("ERROR: Specified controller not found\n");
        std::exit(1);
    }
    if (options.force)
        g_force = {true, true, true};

    for (const ToolCommand* command : ToolCommands())
        if (options.*command->flag && command->run(run) != 0)
            std::exit(1);
    std::exit(0);
}
