// The " Intelligent Fault Bus " menu, its settings dialog and LED tests.
#include <algorithm>

#include "console_state.h"
#include "controller.h"
#include "controller_fault_bus.h"
#include "dialog_menu.h"
#include "enclosure_screens.h"
#include "error_message.h"
#include "fault_bus_page.h"
#include "message_boxes.h"
#include "message_catalog.h"

namespace {

// Configuration page bytes of the fault bus (pages A and B alike).
constexpr int pageShelfAlarm = 77;
constexpr int pageAutoHotPlug = 78;
// Board details byte 12 + c: channel c has a fault bus.
constexpr int boardFaultBus = 12;

MenuDef faultBusMenu = {25, 14, 0, " Intelligent Fault Bus ", nullptr,
                        {{"&Change Settings    ", 0},
                         {"&View Channel States    ", 1},
                         {"&Perform LED Tests    ", 2},
                         {nullptr, 0}}};
MenuDef settingsMenu = {5, 5, 0, " Fault Bus Settings ", nullptr,
                        {{"&Auto Hot Plug .................. (%s)", 0},
                         {"SHELF &Monitoring ............... (%s)", 1},
                         {"SHELF Error -> &Audible Alarm ... (%s)", 2},
                         {"\xC4", -1},
                         {"Fault Bus Chn. %-6s .......... (%s)", 3},
                         {"Fault Bus Chn. %-6s .......... (%s)", 4},
                         {"Fault Bus Chn. %-6s .......... (%s)", 5},
                         {"Fault Bus Chn. %-6s .......... (%s)", 6},
                         {"Fault Bus Chn. %-6s .......... (%s)", 7},
                         {"Fault Bus Chn. %-6s .......... (%s)", 8},
                         {nullptr, 0}}};
MenuDef testMenu = {7, 11, 0, " Choose Test ", nullptr,
                    {{"&Standard Test", 0},
                     {"LED's &On", 1},
                     {"LED's &Slow Blinking", 2},
                     {"LED's &Quick Blinking", 3},
                     {nullptr, 0}}};
MenuDef faultBusEnabledMenu = {0, 0, 0, nullptr, nullptr, {{"Disabled", 0}, {"Enabled", 1}, {nullptr, 0}}};
MenuDef faultBusOnOffMenu = {0, 0, 0, nullptr, nullptr, {{"Off", 0}, {"On", 1}, {nullptr, 0}}};

int ChannelCount(const CController& c)
{
    return std::clamp(static_cast<int>(c.info.channelCount), 0, FAULT_BUS_SETTING_CHANNELS);
}

bool HasFaultBus(const CController& c)
{
    for (int ch = 0; ch < ChannelCount(c); ++ch)
        if (c.boardDetails[boardFaultBus + ch] != 0)
            return true;
    return false;
}

int lastMenuItem = 0;
int lastTest = 0;

}  // namespace

int FaultBusChannelState(const CController& controller, int c)
{
    if (controller.boardDetails[boardFaultBus + c] == 0)
        return 3;
    if (controller.configPageA[pageFaultBusEnable + c] != controller.configPageB[pageFaultBusEnable + c])
        return 2;
    return controller.configPageA[pageFaultBusEnable + c] != 0 ? 1 : 0;
}

const char* FaultBusStateText(int state)
{
    static const char* const texts[] = {"Disabled", "Enabled", "Not available", "Not installed"};
    return texts[std::clamp(state, 0, 3)];
}

int FaultBusMenu(CController& controller)
{
    if (!HasFaultBus(controller)) {
        ShowMessage(MessageText("M5016"), 0, 1);
        return 1;
    }
    ShowMessage(MessageText("M5015"), 0, 1);
    for (;;) {
        int result;
        {
            CTagMenu menu(&faultBusMenu, 0);
            if (!menu.IsOk() || !menu.Open()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            result = menu.Run(lastMenuItem);
        }
        if (result < 0 || result > 2)
            return 1;
        lastMenuItem = result;
        if (result == 0)
            FaultBusSettingsDialog(controller);
        else if (result == 1)
            FaultBusStatesView(controller);
        else
            FaultBusTestMenu(controller);
    }
}

int FaultBusSettingsDialog(CController& controller)
{
    const int channels = ChannelCount(controller);
    int values[3 + FAULT_BUS_SETTING_CHANNELS] = {controller.configPageA[pageAutoHotPlug] != 0 ? 1 : 0,
                                                   controller.configPageA[pageShelfMonitoring] != 0 ? 1 : 0,
                                                   controller.configPageA[pageShelfAlarm] != 0 ? 1 : 0};
    int states[FAULT_BUS_SETTING_CHANNELS] = {};
    for (int c = 0; c < channels; ++c) {
        states[c] = FaultBusChannelState(controller, c);
        values[3 + c] = states[c] <= 1 ? states[c] : controller.configPageA[pageFaultBusEnable + c] != 0 ? 1 : 0;
    }
    int changed = 0;
    int current = 0;
    for (;;) {
        int result;
        {
            CTagMenu menu(&settingsMenu, 0, 4 + channels);
            if (!menu.IsOk()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return changed;
            }
            menu.SetItemTextById(0, faultBusEnabledMenu.items[values[0]].text);
            menu.SetItemTextById(1, faultBusOnOffMenu.items[values[1]].text);
            menu.SetItemTextById(2, faultBusOnOffMenu.items[values[2]].text);
            for (int c = 0; c < channels; ++c) {
                const int shown = states[c] <= 1 ? values[3 + c] : states[c];
                menu.SetItemTextById(3 + c, controller.channels[c].name, FaultBusStateText(shown));
            }
            if (!menu.Open()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return changed;
            }
            for (int c = 0; c < channels; ++c)
                if (states[c] == 3)
                    menu.DisableItem(3 + c);
            result = menu.Run(current);
        }
        if (result < 0 || result >= 3 + channels)
            break;
        current = result;
        if (PickValue(result == 1 || result == 2 ? &faultBusOnOffMenu : &faultBusEnabledMenu, &values[result])) {
            changed = 1;
            if (result >= 3)
                states[result - 3] = values[result];
        }
    }
    if (!changed || !AskYesNo(MessageText("M3001"), 0))
        return changed;
    FaultBusSettings settings;
    settings.autoHotPlug = values[0];
    settings.shelfMonitoring = values[1];
    settings.shelfAlarm = values[2];
    for (int c = 0; c < channels; ++c)
        settings.channelEnable[c] = states[c] == 2 ? controller.configPageA[pageFaultBusEnable + c] : values[3 + c];
    if (!controller.SetFaultBusSettings(settings))
        ShowErrorCode(controller.error);
    return changed;
}

int FaultBusTestMenu(CController& controller)
{
    for (;;) {
        int result;
        {
            CTagMenu menu(&testMenu, 0);
            if (!menu.IsOk() || !menu.Open()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            result = menu.Run(lastTest);
        }
        if (result < 0 || result > 3)
            return 1;
        lastTest = result;
        if (!controller.TestFaultBus(result))
            ShowErrorCode(controller.error);
    }
}
