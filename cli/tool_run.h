// What one run of the tool works with, and the commands it can carry out.
#pragma once

#include "host_system.h"
#include "options_record.h"

#include <span>

// The force switches that -f turns on.
struct ForceSwitches {
    bool bootDrive = false;  // SetBootDrive may renumber on any controller
    bool remove = false;     // host drive removal and firmware update go on despite warnings
    bool partition = false;  // partitions do not keep a host drive from removal
};

// Process-wide force switches.
extern ForceSwitches g_force;

// The run: its options and the machine whose controllers it works on.
struct ToolRun {
    OptionsRecord& options;
    CHostSystem* machine = nullptr;  // the first machine of the first transport; null when none was listed
    int controllerCount = 0;         // length of the machine's controller list

    // Controller `index` of the machine's list (0 <= index < controllerCount).
    CController& Controller(int index) { return machine->controllers[index]; }
};

// One command: the flag that asks for it and the function that carries it
// out, 0 on success or 1 after its message.
struct ToolCommand {
    const char* name;
    int OptionsRecord::*flag;
    int (*run)(ToolRun& run);
};

extern const ToolCommand kStatusCommand;
extern const ToolCommand kCreateCommand;
extern const ToolCommand kDeleteCommand;
extern const ToolCommand kResetCommand;
extern const ToolCommand kAssignCommand;

// The commands in the order a run carries them out.
std::span<const ToolCommand* const> ToolCommands();

// The chosen controller, or null after "ERROR: You need to specify the controller\n".
CController* RequireController(ToolRun& run);
// Emits that the named command is not available yet; 1.
int CommandNotAvailable(const char* name);
