#include "quit_walk.h"

#include "array_expansion.h"
#include "closing_scope.h"
#include "console_screen.h"
#include "controller.h"
#include "controller_access.h"
#include "host_system.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "mirror_drives.h"
#include "str_printf.h"

void QuitSequence(CHostSystem& machine)
{
    for (int i = 0; i < machine.controllers.count; ++i) {
        CController& controller = machine.controllers[i];
        if (ControllerBusy(controller))
            continue;
        ClosingScope reading = WaitBoxScope();
        const int read = ReadControllerConfiguration(controller);
        reading.release();
        if (read && ShowControllerBuildProgress(controller, controller.index))
            return;
    }
}

int ShowControllerBuildProgress(CController& controller, int index)
{
    char status[256];
    for (int a = 0; a < controller.arrayDrives.count; ++a) {
        CArrayDrive& array = controller.arrayDrives[a];
        if (!array.HasConfigAccess())
            continue;
        tui::strPrintf(status, MessageText("M1002"), index, controller.info.typeName, static_cast<int>(array.arrayNumber),
                       array.typeText);
        SetStatusLine(0, status);
        int kind = -1;
        if (!ShowBuildProgress(array, &kind)) {
            // Leaving an expansion early leaves nothing unprotected.
            if (kind == 1 || kind == 2)
                ShowMessage(MessageText("M5022"), 0, 1);
            return 1;
        }
    }
    for (int m = 0; m < controller.mirrorDrives.count; ++m) {
        CMirrorDrive& mirror = controller.mirrorDrives[m];
        if (!mirror.HasConfigAccess())
            continue;
        tui::strPrintf(status, MessageText("M1002"), index, controller.info.typeName,
                       static_cast<int>(mirror.mirrorNumber), mirror.typeText);
        SetStatusLine(0, status);
        int kind = -1;
        if (!ShowArrayBuildProgress(controller, mirror, &kind)) {
            ShowMessage(MessageText("M5022"), 0, 1);
            return 1;
        }
    }
    return 0;
}
