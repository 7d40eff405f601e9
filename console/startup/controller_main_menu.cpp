#include "controller_main_menu.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "console.h"
#include "console_screen.h"
#include "console_state.h"
#include "array_drives.h"
#include "controller_access.h"
#include "controller.h"
#include "controller_screens.h"
#include "dialog_menu.h"
#include "event_viewer.h"
#include "disk_information.h"
#include "host_drives.h"
#include "host_system.h"
#include "logical_drives.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "physical_devices.h"
#include "repair_assistant.h"
#include "save_information.h"
#include "str_printf.h"
#include "view_statistics.h"

namespace {

constexpr const char* monitorSeparator = "\xC4 Monitor ";

MenuDef advancedMenu = {3, 5, 0, " Advanced Setup ", " F4: Express Setup ",
                        {{"Configure &Controller", 1},
                         {"Configure &Physical Devices", 2},
                         {"Configure &Logical Drives", 3},
                         {"Configure &Array Drives", 4},
                         {"Configure &Host Drives", 0},
                         {"&Repair Array Drives", 10},
                         {monitorSeparator, -1},
                         {"View S&tatistics", 7},
                         {"View &Events", 8},
                         {"View Hard &Disk Info", 9},
                         {"&Save Information        ", 5},
                         {nullptr, 0}}};
MenuDef expressMenu = {3, 5, 0, " Express Setup ", " F4: Advanced Setup ",
                       {{"Configure &Host Drives   ", 0},
                        {"&Repair Array Drives", 10},
                        {monitorSeparator, -1},
                        {"View S&tatistics", 7},
                        {"View &Events", 8},
                        {"View Hard &Disk Info", 9},
                        {"&Save Information        ", 5},
                        {nullptr, 0}}};

const int menuKeys[] = {tui::keyF(2), tui::keyF(4), -1};
const int anyKey[] = {0};

// The screens behind the items.
void OpenPhysicalDevices(CController& controller)
{
    ConfigurePhysicalDevices(controller);
}

void OpenLogicalDrives(CController& controller)
{
    ConfigureLogicalDrives(controller);
}

void OpenDiskInformation(CController& controller)
{
    ViewHardDiskInfo(controller);
}

constexpr struct {
    int id;
    void (*open)(CController&);
} screens[] = {
    {1, [](CController& c) { ConfigureController(c); }},
    {2, OpenPhysicalDevices}, // physical devices
    {3, OpenLogicalDrives},   // logical drives
    {4, [](CController& c) { ConfigureArrayDrives(c); }},
    {0, [](CController& c) { ConfigureHostDrives(c); }},
    {10, [](CController& c) { RepairArrayDrives(c); }},
    {7, [](CController& c) { ViewStatistics(c); }},  // statistics
    {8, [](CController& c) { ViewEvents(c); }},  // event list
    {9, OpenDiskInformation}, // disk information
    {5, [](CController& c) { SaveInformationDialog(c); }},
};

MenuDef& MenuOfMode()
{
    return SetupMode() == advancedSetup ? advancedMenu : expressMenu;
}

}  // namespace

void MainMenuStatusText(const CController& controller, const char* machineName, int width, std::span<char> out)
{
    char ram[48];
    RamText(controller, ram, sizeof ram);
    const auto format = [&](const std::string& machine) {
        const std::string name = std::string(controller.info.typeName) + " on " + machine;
        tui::strPrintf(out, MessageText("M1003"), controller.info.pciText, name, ram, controller.info.firmwareText,
                       controller.info.driverText);
    };
    const std::string machine = machineName;
    format(machine);
    const int rest = static_cast<int>(std::strlen(out.data()) - machine.size());
    const int room = width - rest;
    if (static_cast<int>(machine.size()) > room) {
        const size_t keep = room > 2 ? static_cast<size_t>(room - 2) : 0;
        format(machine.substr(0, keep) + "..");
    }
}

int ControllerMainMenu(CController& controller)
{
    char status[512];
    const CHostSystem* machine = CurrentMachine();
    MainMenuStatusText(controller, machine ? machine->name : "", StatusLineWidth(), status);
    SetStatusLine(0, status);
    int current = MenuOfMode().items[0].id;
    for (;;) {
        CTagMenu menu(&MenuOfMode(), 1);
        if (!menu.IsOk() || !menu.Open()) {
            // Built again on the next pass, after a key (a larger terminal
            // may have come meanwhile); ESC leaves when not even the
            // message fits.
            if (AskKey(MessageText("M4000"), anyKey, 1, 1) < 0 && tui::readKey() == tui::keyEsc)
                break;
            continue;
        }
        const int result = menu.Run(current, menuKeys);
        if (result == tui::keyF(2) || result == tui::keyF(4)) {
            SetSetupMode(SetupMode() == advancedSetup ? expressSetup : advancedSetup);
            current = MenuOfMode().items[0].id;
            continue;
        }
        if (result == -1)
            break;
        if (result == -3) {
            ShowMessage(MessageText("M4000"), 1, 1);
            continue;
        }
        const auto* screen = std::find_if(std::begin(screens), std::end(screens),
                                          [result](const auto& s) { return s.id == result; });
        if (screen == std::end(screens)) {
            ShowMessage(MessageText("M4005"), 1, 1);
            ShowMessage(MessageText("M4000"), 1, 1);
            break;
        }
        current = result;
        screen->open(controller);
    }
    return 1;
}
