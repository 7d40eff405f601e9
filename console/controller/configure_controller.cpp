// The " Configure Controller " menu: its items' enable rules and the
// dialogs behind them; clearing the controller's log buffer.
#include <algorithm>

#include "byte_order.h"
#include "closing_scope.h"
#include "console_state.h"
#include "controller.h"
#include "controller_screens.h"
#include "dialog_menu.h"
#include "enclosure_screens.h"
#include "error_message.h"
#include "firmware_update.h"
#include "key_codes.h"
#include "message_boxes.h"
#include "message_catalog.h"

namespace {

MenuDef configureMenu = {40, 5, 0, " Configure Controller ", nullptr,
                         {{"&Controller Settings    ", 0},
                          {"&Firmware Update", 1},
                          {"&Intelligent Fault Bus", 2},
                          {"&Non-Intelligent Enclosures", 5},
                          {"&Advanced Settings", 3},
                          {"C&luster Settings", 4},
                          {"&Periodic Parity Verify", 8},
                          {"\xC4", -1},
                          {"Cl&ear Log Buffer", 6},
                          {"&Remove Enclosure Config.", 7},
                          {nullptr, 0}}};

const int alarmKeys[] = {tui::keyF(2), tui::keyF(4), -1};

// The rules under which an item is disabled.
struct ItemRule {
    int id;
    bool (*disabled)(const CController&);
};
constexpr ItemRule itemRules[] = {
    {1, [](const CController&) { return !LocalMachineFlag() && !Options().administrator; }},
    {6, [](const CController& c) { return !Options().administrator || c.FirmwareVersion() < 0x1A0002; }},
    {3, [](const CController& c) { return PageWord(c) < 0x50003; }},
    {4, [](const CController& c) {
         return (c.ClusterBits() & CLUSTER_ENABLED_BITS) != CLUSTER_ENABLED_BITS || PageWord(c) < 0x60000;
     }},
    {7, [](const CController& c) { return c.FirmwareVersion() < 0x1B0003; }},
    {8, [](const CController& c) { return c.FirmwareVersion() < 0x1F0000; }},
};

void AdvancedSettingsWithWarning(CController& c)
{
    ShowMessage(MessageText("M5030"), 1, 1);
    AdvancedSettings(c);
}

constexpr struct {
    int id;
    void (*open)(CController&);
} dispatch[] = {
    {0, [](CController& c) { ControllerSettings(c); }},
    {1, [](CController& c) { FirmwareUpdate(c); }},
    {2, [](CController& c) { FaultBusMenu(c); }},
    {3, AdvancedSettingsWithWarning},
    {4, [](CController& c) { ClusterChannels(c); }},
    {5, [](CController& c) { SelectEnclosure(c); }},
    {6, [](CController& c) { ClearLogBuffer(c); }},
    {7, [](CController& c) { RemoveEnclosureConfig(c); }},
    {8, [](CController& c) { PeriodicParityVerify(c); }},
};

int lastItem = 0;

}  // namespace

uint32_t PageWord(const CController& c)
{
    return wire::get32(c.configPageA, CONFIG_PAGE_VERSION);
}

int ConfigureController(CController& controller)
{
    int sounding = 0;
    if (!controller.GetAlarm(&sounding))
        sounding = 0;
    for (;;) {
        int result;
        {
            CTagMenu menu(&configureMenu, 1);
            if (!menu.IsOk() || !menu.Open(nullptr, sounding ? MessageText("M1022") : "")) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            for (const ItemRule& rule : itemRules)
                if (rule.disabled(controller))
                    menu.DisableItem(rule.id);
            result = menu.Run(lastItem, sounding ? alarmKeys : nullptr);
        }
        if (result == tui::keyF(2) || result == tui::keyF(4)) {
            controller.SetAlarm(0);
            ShowMessage(MessageText("M5012"), 0, 1);
            return 1;
        }
        if (result == -3) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return 1;
        }
        if (result < 0)
            return 1;
        const auto* entry =
            std::find_if(std::begin(dispatch), std::end(dispatch), [result](const auto& d) { return d.id == result; });
        if (entry == std::end(dispatch))
            return 1;
        lastItem = result;
        entry->open(controller);
    }
}

int ClearLogBuffer(CController& controller)
{
    if (!AskYesNo(MessageText("M3074"), 1))
        return 0;
    ClosingScope clearing = WaitBoxScope();
    const int result = controller.ClearLogBuffer();
    clearing.release();
    if (!result)
        ShowErrorCode(controller.error);
    return result;
}
