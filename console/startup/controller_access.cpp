#include "controller_access.h"

#include <span>

#include "array_expansion.h"
#include "byte_order.h"
#include "console_screen.h"
#include "controller.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "mirror_drives.h"
#include "str_printf.h"

namespace {

// Board information bytes of the cache RAM (see docs/firmware-layout.md).
constexpr size_t boardInfoRamType = 64;
constexpr size_t boardInfoRamCheck = 65;

const char* const ramTypeNames[] = {"30-pin", "FPM", "FPM i.", "EDO", "BEDO", "SDRAM"};

}  // namespace

int ReadControllerConfiguration(CController& controller)
{
    return controller.Refresh();
}

int ControllerBusy(const CController&)
{
    return 0;
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

char* RamText(const CController& controller, char* out, int size)
{
    const std::span<char> buffer(out, static_cast<size_t>(size));
    const uint8_t type = controller.boardInfo[boardInfoRamType];
    const uint8_t check = controller.boardInfo[boardInfoRamCheck];
    const uint32_t bytes = wire::get32(controller.boardInfo, BOARD_INFO_CACHE_SIZE);
    tui::strPrintf(buffer, "%d MB %s", static_cast<int>(bytes >> 20),
                   type < std::size(ramTypeNames) ? ramTypeNames[type] : "???");
    if (check == 1)
        tui::strCatPrintf(buffer, "/P");
    else if (check == 2)
        tui::strCatPrintf(buffer, "/ECC");
    return out;
}
