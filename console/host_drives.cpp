#include "host_drives.h"

#include "message_boxes.h"
#include "message_catalog.h"

namespace {

// Not built yet: says so.
int NotYet()
{
    ShowMessage(MessageText("M0000"), 0, 1);
    return 0;
}

}  // namespace

int ConfigureHostDrives(CController&)
{
    return NotYet();
}
