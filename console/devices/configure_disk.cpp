#include "configure_disk.h"

#include <chrono>

#include "byte_order.h"
#include "closing_scope.h"
#include "controller.h"
#include "dialog_menu.h"
#include "disk_initialize.h"
#include "enclosure_screens.h"
#include "error_message.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "model_errors.h"
#include "progress_box.h"
#include "record_values.h"
#include "str_printf.h"

namespace {

constexpr int surfaceCountSilent = 1024;  // the check ended without a result worth showing

MenuDef configureDiskMenu = {30, 10, 0, " Configure Disk ", nullptr,
                             {{"&Parameters/Initialize", 0},
                              {"&Check Surface", 2},
                              {"&View Defects/Status", 3},
                              {"&Deinitialize Disk", 4},
                              {"\xC4", -1},
                              {"&Lock Disk", 5},
                              {"&Unlock Disk", 6},
                              {"\xC4", -1},
                              {"&Enclosure Status", 7},
                              {"E&nclosure Slot Configuration", 8},
                              {nullptr, 0}}};

ProgressDef surfaceProgress = {15, 8, 0, 50, " Check Surface ", " Press ESC to abort "};

// The menu's disable rules, in their order.
void DisableItemsFor(CTagMenu& menu, const CPhysDrive& d)
{
    const uint8_t* info = d.GetInfo();
    const bool disk = d.DeviceType() == DEVICE_TYPE_DISK;
    if (!disk)
        DisableAll(menu, {0, 1, 2, 3, 4, 5, 6});
    if (!d.IsEnclosureProcessor())
        DisableAll(menu, {7, 8});
    const bool removable = (info[infoRemovable] & 0x01) != 0;
    if (!removable) {
        DisableAll(menu, {5, 6});
        if (info[DEVINFO_READY] == 0)
            DisableAll(menu, {0, 2, 3, 4});
    } else if (info[infoRemovable] & 0x04) {
        DisableAll(menu, {0, 1, 2, 3, 4, 6});
    } else {
        DisableAll(menu, {5});
    }
    if (disk && (wire::get16(info, DEVINFO_LOG_DRIVE) != noLogicalDrive || info[infoWriteProtected]))
        DisableAll(menu, {1, 2, 4});
    if (disk && !info[DEVINFO_INITIALISED])
        DisableAll(menu, {4});
}

}  // namespace

void CheckSurfaceWindow(CPhysDrive& disk)
{
    CProgressBox box(&surfaceProgress);
    if (!box.Open()) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return;
    }
    ProgressRequest r;
    r.operation = PROGRESS_START;
    r.state = 1;
    if (!disk.CheckSurface(&r)) {
        ShowErrorCode(disk.error);
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    int percent = 0;
    int estimate = -1;
    for (;;) {
        const int elapsed = SecondsSince(start);
        box.Update(percent, elapsed, estimate);
        box.Show();
        if (EscWithinASecond()) {
            // An aborted check found nothing worth reporting: its counters
            // read 0, which must not pass for a clean surface.
            r.operation = PROGRESS_ABORT;
            if (!disk.CheckSurface(&r))
                ShowErrorCode(disk.error);
            return;
        }
        r.operation = PROGRESS_QUERY;
        if (!disk.CheckSurface(&r)) {
            // A finished check ends the watch; a query that failed is the
            // disk's error, never a clean result.
            if (disk.error != MODERR_ACTIVE_STATE) {
                ShowErrorCode(disk.error);
                return;
            }
            break;
        }
        if (r.percent > percent) {
            percent = r.percent;
            const int now = SecondsSince(start);
            estimate = percent > 0 ? now * 100 / percent : -1;
        }
    }
    if (r.state == surfaceCountSilent)
        return;
    ShowMessage(MessageText(r.state != 0 ? "M5005" : "M5004"), 0, 1);
}

int ConfigureDisk(CController& controller, CPhysDrive& device)
{
    CTagMenu menu(&configureDiskMenu, 1);
    if (!menu.IsOk() || !menu.Open()) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return 1;
    }
    DisableItemsFor(menu, device);
    const int chosen = menu.Run(0);
    if (chosen == -3) {
        ShowMessage(MessageText("M4000"), 0, 1);
        return 1;
    }
    switch (chosen) {
    case 0: {
        const uint8_t kind = controller.channels[device.GetChannel()].kind;
        if (kind == CHANNEL_KIND_FC)
            InitializeFcDisk(controller, device);
        else if (kind == CHANNEL_KIND_SATA)
            InitializeSataDisk(controller, device);
        else
            InitializeScsiDisk(controller, device);
        break;
    }
    case 2:
        if (AskYesNo(MessageText("M3004"), 1))
            CheckSurfaceWindow(device);
        break;
    case 3: {
        const uint32_t grown = device.GetGrownDefects();
        const uint32_t primary = device.GetPrimaryDefects();
        char text[160];
        tui::strPrintf(text, MessageText("M5000"), static_cast<long>(grown), static_cast<long>(primary),
                       static_cast<long>(wire::get32(device.GetInfo(), infoLastStatus)));
        ShowMessage(text, 0, 1);
        break;
    }
    case 4:
        if (AskYesNo(MessageText("M3005"), 0) && !device.Deinitialize())
            ShowErrorCode(device.error);
        break;
    case 5:
    case 6: {
        ClosingScope locking = WaitBoxScope();
        const int ok = chosen == 5 ? device.Lock() : device.Unlock();
        locking.release();
        if (!ok)
            ShowErrorCode(device.error);
        break;
    }
    case 7:
        EnclosureStatus(device);
        break;
    case 8:
        if (EnclosureSlots(controller, device) == 1)
            controller.ScanDevices();
        break;
    default:
        break;
    }
    return 1;
}
