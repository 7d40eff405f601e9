// -a: one change to the controller: boot drive, firmware, host drive number,
// or its settings.
#include "firmware_update.h"
#include "host_drive_numbers.h"
#include "messages.h"
#include "settings_commands.h"
#include "tool_run.h"

namespace {

// Carries out the first action that the options ask for (boot drive,
// firmware, host drive number, else the settings); 0 on success.
int AssignAction(ToolRun& run, CController& controller)
{
    const OptionsRecord& o = run.options;
    if (o.BOOTDRIVE != -1)
        return SetBootDrive(controller, o.CTR, o.BOOTDRIVE);
    // UpdateFirmware gives 1 for success, the other actions 0.
    if (o.fwUpdate == 1)
        return UpdateFirmware(controller, o.fwFile.c_str()) == 1 ? 0 : 1;
    if (o.SWAPDRIVE != -1) {
        // Without a host drive the swap still runs and reports its own refusal.
        if (o.HOSTDRIVE < 0)
            Emit("ERROR: Please specify a HOSTDRIVE to swap with.\n");
        return SwapHostDrive(controller, o.HOSTDRIVE, o.SWAPDRIVE);
    }
    return AssignSettings(controller, o.CACHE, o.DELAYEDWRITE, o.CDBOOT, o.HDSTART, o.BIOS);
}

int RunAssign(ToolRun& run)
{
    CController* controller = RequireController(run);
    if (controller == nullptr)
        return 1;
    // A failed read leaves the lists empty; the settings do not depend on them.
    controller->Refresh();
    if (AssignAction(run, *controller) != 0) {
        Emit("ERROR: During Controller assign operation\n");
        return 1;
    }
    return 0;
}

}  // namespace

const ToolCommand kAssignCommand = {"assign", &OptionsRecord::assign, RunAssign};
