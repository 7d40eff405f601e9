// -s: the controllers with their disks and host drives, or the settings asked for.
#include "settings_commands.h"
#include "status_display.h"
#include "tool_run.h"

#include <cstdio>

namespace {

// The four tables of one controller.
void ShowTables(CController& controller, int index)
{
    ShowControllerHeader();
    ShowControllerRow(controller, index);
    ShowPhysicalDisks(controller);
    ShowHostDrives(controller);
}

void ShowController(ToolRun& run, int index)
{
    const OptionsRecord& o = run.options;
    CController& controller = run.Controller(index);
    const SettingsShown shown{o.CACHE != -1, o.DELAYEDWRITE != -1, o.CDBOOT != -1, o.HDSTART != -1, o.BIOS != -1};
    const bool anySetting = shown.cache || shown.delayedWrite || shown.cdBoot || shown.hdStart || shown.bios;
    if (o.showRAID == 0 && o.showFW == 0 && !anySetting) {
        ShowTables(controller, index);
        return;
    }
    if (o.showRAID == 1)
        ShowTables(controller, index);
    if (o.showFW == 1) {
        if (o.CTR < 0)
            std::printf("CTR #%d FW version: ", index);
        ShowFirmwareVersion(controller);
    }
    ShowSettings(controller, shown);
}

int RunStatus(ToolRun& run)
{
    if (run.options.CTR >= 0) {
        ShowController(run, run.options.CTR);
        return 0;
    }
    for (int i = 0; i < run.controllerCount; ++i)
        ShowController(run, i);
    return 0;
}

}  // namespace

const ToolCommand kStatusCommand = {"status", &OptionsRecord::status, RunStatus};
