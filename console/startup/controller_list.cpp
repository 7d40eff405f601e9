#include "controller_list.h"

#include <span>

#include "closing_scope.h"
#include "console.h"
#include "console_screen.h"
#include "console_state.h"
#include "console_texts.h"
#include "controller_access.h"
#include "controller_main_menu.h"
#include "controller_texts.h"
#include "dialog_list.h"
#include "error_message.h"
#include "firmware_update.h"
#include "host_system.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "str_printf.h"

namespace {

constexpr const char* listTitle = " Select Controller ";

ListDef normalList = {3, 8, 0, 1, 63, -1, listTitle, " F10: Toggle Colors ",
                      "No.  Name             Position    Features      Firmware",
                      {"%2d   %-16s %-11s %-13s %s", nullptr}};
ListDef administratorList = {1, 8, 0, 1, 75, -1, listTitle, " F10: Toggle Colors, F4: Test Alarm ",
                             "No. Name             Position    Features      Firmware      Serial No DPM",
                             {"%2d  %-16s %-11s %-13s %-12s  %-08lX  %s", nullptr}};

const int normalKeys[] = {tui::keyF(10), tui::keyF(9), tui::keyF(8), -1};
const int administratorKeys[] = {tui::keyF(10), tui::keyF(9), tui::keyF(8), tui::keyF(4), -1};

constexpr size_t bootOptionByte = 102;  // configuration page A
constexpr uint8_t dpmemNotMoved = 0x40;

int lastLine = 0;

// The wait box, the configuration read and the firmware gate, then the
// controller's main menu.
void OpenController(CListBox& list, CController& controller)
{
    char text[200];
    tui::strPrintf(text, MessageText("M2001"), ProgramTitle());
    ShowWaitBox(text, 0);
    ClosingScope reading(CloseWaitBox);
    const int read = ReadControllerConfiguration(controller);
    reading.release();
    if (controller.FirmwareLevel() < 30 || controller.FirmwareVersion() > 0x20FFFF) {
        if (read) {
            list.Hide();
            ControllerMainMenu(controller);
            list.Show();
        } else {
            ShowErrorCode(controller.error);
        }
        return;
    }
    if (AskYesNo(MessageText("M3110"), 1))
        FirmwareUpdate(controller);
    if (!read)
        ShowErrorCode(controller.error);
}

// F4: the alarm switched to the other state when it can be read.
void ToggleAlarm(CController& controller)
{
    int on = 0;
    if (controller.GetAlarm(&on))
        controller.SetAlarm(!on);
}

}  // namespace

void FeaturesText(const CController& controller, char* out, int size)
{
    const std::span<char> buffer(out, static_cast<size_t>(size));
    tui::strPrintf(buffer, "%s", RaidFeaturesText(controller.info).c_str());
}

void FillControllerList(CListBox& list, CHostSystem& machine)
{
    const int administrator = Options().administrator;
    for (int i = 0; i < machine.controllers.count; ++i) {
        const CController& c = machine.controllers[i];
        char features[24];
        FeaturesText(c, features, sizeof features);
        if (administrator) {
            const char* dpm = (c.configPageA[bootOptionByte] & dpmemNotMoved) ? "--" : "MV";
            list.SetLine(i, c.index, c.info.typeName, c.info.pciText, features, c.info.firmwareText,
                         c.SerialNumber(), dpm);
        } else {
            list.SetLine(i, c.index, c.info.typeName, c.info.pciText, features, c.info.firmwareText);
        }
    }
}

ControllerListExit RunControllerList(CHostSystem& machine)
{
    const int administrator = Options().administrator;
    const int count = machine.controllers.count;
    CListBox list(administrator ? &administratorList : &normalList, count, 1);
    if (!list.IsOk() || !list.Open()) {
        ShowMessage(MessageText("M4000"), 1, 1);
        return ControllerListExit::quit;
    }
    FillControllerList(list, machine);
    if (lastLine >= count)
        lastLine = 0;
    for (;;) {
        SetStatusLine(0, MessageText("M1008"));
        int key = 0;
        const int line = list.Run(lastLine, administrator ? administratorKeys : normalKeys, &key);
        if (line == -3) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return ControllerListExit::quit;
        }
        if (line == -1) {
            tui::flushKeys();
            return ControllerListExit::quit;
        }
        lastLine = line;
        if (key == tui::keyF(10))
            return ControllerListExit::toggleColours;
        if (key == tui::keyF(9))
            return ControllerListExit::nextLineMode;
        if (key == tui::keyF(8))
            ShowMessage(ModuleVersionsText(), 0, 1);
        else if (key == tui::keyF(4))
            ToggleAlarm(machine.controllers[line]);
        else if (key == 0 && !ControllerBusy(machine.controllers[line]))
            OpenController(list, machine.controllers[line]);
        if (administrator)
            FillControllerList(list, machine);
    }
}
