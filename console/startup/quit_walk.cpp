#include "quit_walk.h"

#include "closing_scope.h"
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
        ClosingScope reading = WaitBoxScope();
        const int read = ReadControllerConfiguration(controller);
        reading.release();
        if (read && ShowControllerBuildProgress(controller, controller.index))
            return;
    }
}
