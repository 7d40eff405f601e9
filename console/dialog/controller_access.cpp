#include "controller_access.h"

#include <span>

#include "byte_order.h"
#include "controller.h"
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
