// The " Periodic Parity Verify " menu: interval, start hour and error
// handling in the second option bytes, and the restart day count.
#include <ctime>

#include "array_drive.h"
#include "controller.h"
#include "controller_screens.h"
#include "console_state.h"
#include "dialog_list.h"
#include "dialog_menu.h"
#include "error_message.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "str_printf.h"

namespace {

MenuDef verifyMenu = {10, 10, 0, " Periodic Parity Verify ", nullptr,
                      {{"&Start Parity Verify:%-12s   ", 0},
                       {"&At Time            :%5s", 1},
                       {"&Error Handling     : %s", 2},
                       {nullptr, 0}}};
MenuDef intervalMenu = {10, 10, 0, nullptr, nullptr,
                        {{" None", 0},
                         {" Every day", 1},
                         {" Every 2 days ", 2},
                         {" Every 3 days ", 3},
                         {" Every 4 days ", 4},
                         {" Every 5 days ", 5},
                         {" Every 6 days ", 6},
                         {" Every 7 days ", 7},
                         {nullptr, 0}}};
MenuDef errorMenu = {10, 10, 0, nullptr, nullptr,
                     {{" &Halt on Parity Errors ", 0}, {" &Repair Parity Errors ", 1}, {nullptr, 0}}};
constexpr const char* hourLines[24] = {" 12 am ", " 01 am ", " 02 am ", " 03 am ", " 04 am ", " 05 am ",
                                       " 06 am ", " 07 am ", " 08 am ", " 09 am ", " 10 am ", " 11 am ",
                                       " 12 pm ", " 01 pm ", " 02 pm ", " 03 pm ", " 04 pm ", " 05 pm ",
                                       " 06 pm ", " 07 pm ", " 08 pm ", " 09 pm ", " 10 pm ", " 11 pm "};
ListDef hourList = {0, 5, 0, 0, 10, 12, nullptr, nullptr, nullptr, {"%s", nullptr}};

constexpr int secondsPerDay = 86400;

// The start hour from the list of 24 lines; 1 when chosen anew.
int PickHour(int* hour)
{
    CListBox list(&hourList, 24, 1);
    if (!list.IsOk()) {
        ShowMessage(MessageText("M4000"), 1, 1);
        return 0;
    }
    for (int i = 0; i < 24; ++i)
        list.SetLineText(i, hourLines[i]);
    if (!list.Open()) {
        ShowMessage(MessageText("M4000"), 1, 1);
        return 0;
    }
    const int line = list.Run(*hour);
    if (line < 0 || line >= 24)
        return 0;
    *hour = line;
    return 1;
}

// After a save: the days until the next verify, and the offer to start now.
void AnnounceRestart(CController& controller, int interval)
{
    const int days = ParityVerifyDaysLeft(std::time(nullptr), interval);
    char text[300];
    if (days == 0) {
        tui::strPrintf(text, MessageText("M5067"), 0);
        ShowMessage(text, 0, 1);
        return;
    }
    tui::strPrintf(text, MessageText("M3107"), days);
    if (AskYesNo(text, 0))
        StartVerifyOnQualifyingArrays(controller);
}

}  // namespace

int ParityVerifyDaysLeft(std::time_t now, int interval)
{
    if (interval <= 0)
        return 0;
    const long long days = static_cast<long long>(now) / secondsPerDay;
    return static_cast<int>(interval - days % interval - 1);
}

int StartVerifyOnQualifyingArrays(CController& controller)
{
    // RAID 4 or 5, ready, none of bits 0x01, 0x02 and 0x10 of record byte 319
    // set, and this node may change it.
    constexpr uint8_t readyState = 4;
    constexpr uint8_t blockingFlags = 0x01 | 0x02 | 0x10;
    int started = 0;
    for (int a = 0; a < controller.arrayDrives.count; ++a) {
        CArrayDrive& array = controller.arrayDrives[a];
        if ((array.Type() != 4 && array.Type() != 5) || array.State() != readyState ||
            (array.info[ARREC_FLAGS] & blockingFlags) != 0 || !array.HasConfigAccess())
            continue;
        ProgressRequest start;
        start.operation = PROGRESS_START;
        started += array.ParityVerify(&start) == 1 ? 1 : 0;
    }
    return started;
}

int PeriodicParityVerify(CController& controller)
{
    const uint8_t second0 = controller.configPageA[PAGE_A_OPTIONS2];
    const uint8_t second1 = controller.configPageA[PAGE_A_OPTIONS2 + 1];
    int interval = second1 & 0x07;
    int hour = second1 >> 3;
    if (hour > 22)
        hour = 23;
    int repair = (second0 & 0x02) != 0 ? 1 : 0;
    bool changed = false;
    int current = 0;
    for (;;) {
        CTagMenu menu(&verifyMenu, 1);
        if (!menu.IsOk()) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return 0;
        }
        menu.SetItemText(0, intervalMenu.items[interval].text);
        menu.SetItemText(1, hourLines[hour]);
        menu.SetItemText(2, errorMenu.items[repair].text + 2);
        if (!menu.Open()) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return 0;
        }
        const int result = menu.Run(current);
        if (result < 0 || result > 2)
            break;
        current = result;
        if (result == 0)
            changed |= PickValue(&intervalMenu, &interval) != 0;
        else if (result == 1)
            changed |= PickHour(&hour) != 0;
        else
            changed |= PickValue(&errorMenu, &repair) != 0;
    }
    if (!changed || !AskYesNo(MessageText("M3001"), 0))
        return 0;
    SettingsRecord record;
    controller.GetSettings(record);
    record.bytes[SETREC_OPTIONS2 + 1] = static_cast<uint8_t>(hour * 8 + interval);
    record.bytes[SETREC_OPTION_COUNT2] = 2;
    uint8_t& byte0 = record.bytes[SETREC_OPTIONS2];
    byte0 = static_cast<uint8_t>(repair ? (byte0 | 0x02) : (byte0 & ~0x02));
    const int saved = controller.SetSettings(record);
    if (!saved) {
        ShowErrorCode(controller.error);
        return 0;
    }
    if (interval != 0 && controller.arrayDrives.count > 0)
        AnnounceRestart(controller, interval);
    return saved;
}
