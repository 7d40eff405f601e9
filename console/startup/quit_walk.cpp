#include "quit_walk.h"

#include "controller_access.h"
#include "host_system.h"
#include "message_boxes.h"
#include "message_catalog.h"

void QuitSequence(CHostSystem& machine)
{
    for (int i = 0; i < machine.controllers.count; ++i) {
        CController& controller = machine.controllers[i];
        if (ControllerBusy(controller))
            continue;
        ShowWaitBox(MessageText("M2000"), 0);
        const int read = ReadControllerConfiguration(controller);
        CloseWaitBox();
        if (read && ShowControllerBuildProgress(controller, controller.index))
            return;
    }
}
