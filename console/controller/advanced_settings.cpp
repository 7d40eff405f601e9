// The " Advanced Settings " menu: the boot behaviour bits of boot option
// byte 0 (shrink BIOS after POST, BIOS RAM allocation, DPMEM mapping).
#include "controller.h"
#include "controller_screens.h"
#include "console_state.h"
#include "dialog_menu.h"
#include "error_message.h"
#include "message_boxes.h"
#include "message_catalog.h"

namespace {

MenuDef advancedSettingsMenu = {20, 5, 0, " Advanced Settings ", nullptr,
                        {{"&Shrink BIOS after POST ...... (%s)", 0},
                         {"&BIOS RAM allocation method .. (%s)", 1},
                         {"&DPMEM mapping ............... (%s)", 2},
                         {nullptr, 0}}};
MenuDef shrinkMenu = {0, 0, 0, nullptr, nullptr, {{"Off", 0}, {"On", 1}, {"Auto", 2}, {nullptr, 0}}};
MenuDef allocationMenu = {0, 0, 0, nullptr, nullptr, {{"Auto", 0}, {"Older", 1}, {nullptr, 0}}};
MenuDef dpmemMenu = {0, 0, 0, nullptr, nullptr, {{"Move below 1MB", 0}, {"Do not move", 1}, {nullptr, 0}}};

constexpr int shrinkOff = 0, shrinkOn = 1, shrinkAuto = 2;

}  // namespace

int AdvancedSettings(CController& controller)
{
    const uint8_t boot0 = controller.configPageA[PAGE_A_BOOT_OPTIONS];
    int values[3] = {(boot0 & 0x02) == 0 ? shrinkAuto : (boot0 & 0x01) ? shrinkOn : shrinkOff,
                     (boot0 & 0x04) != 0 ? 1 : 0, (boot0 & 0x40) != 0 ? 1 : 0};
    MenuDef* valueMenus[3] = {&shrinkMenu, &allocationMenu, &dpmemMenu};
    int changed = 0;
    int current = 0;
    for (;;) {
        CTagMenu menu(&advancedSettingsMenu, 0);
        if (!menu.IsOk()) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return changed;
        }
        for (int i = 0; i < 3; ++i)
            menu.SetItemText(i, valueMenus[i]->items[values[i]].text);
        if (!menu.Open()) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return changed;
        }
        const int result = menu.Run(current);
        if (result < 0 || result > 2)
            break;
        current = result;
        changed |= PickValue(valueMenus[result], &values[result]);
    }
    if (!changed || !AskYesNo(MessageText("M3001"), 0))
        return changed;
    SettingsRecord record;
    controller.GetSettings(record);
    record.bytes[SETREC_BOOT_COUNT] = 1;
    const int shrinkBits = values[0] == shrinkOff ? 0x02 : values[0] == shrinkOn ? 0x03 : 0;
    record.bytes[SETREC_BOOT_OPTIONS] = static_cast<uint8_t>((boot0 & 0xB0) | shrinkBits | (values[1] ? 0x04 : 0) |
                                                              (values[2] ? 0x40 : 0));
    if (controller.SetBootOptions(record))
        controller.AddFlags(1);
    else
        ShowErrorCode(controller.error);
    return changed;
}
