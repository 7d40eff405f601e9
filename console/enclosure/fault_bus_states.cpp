// The " Fault Bus States " view: per channel its state, swap count, SHELF
// detection and the LED codes of one page of eight IDs.
#include <algorithm>

#include "controller.h"
#include "controller_fault_bus.h"
#include "dialog_menu.h"
#include "enclosure_screens.h"
#include "error_message.h"
#include "fault_bus_page.h"
#include "key_codes.h"
#include "message_boxes.h"
#include "message_catalog.h"

namespace {

// Reply bytes of the state read.
constexpr int replyPresent = 1;
constexpr int replyShelf = 2;
constexpr int replySwaps = 4;
constexpr int idsPerPage = 8;
constexpr int firstChannelItem = 9;

#define FB_CHANNEL_LINE "%-6s   %-13s %-5ld %-6s  %-2d   %-2d   %-2d   %-2d   %-2d   %-2d   %-2d   %-2d"
MenuDef statesMenu = {1, 5, 1, " Fault Bus States ", " F4: More IDs, F10: Refresh Info ",
                      {{"LED Code Description         State", 0},
                       {"    0    LED off             Disk OK", 1},
                       {"    1    LED on              Remove/Insert Disk", 2},
                       {"    2    LED slow  blinking  Build or Rebuild in progress", 3},
                       {"    3    LED quick blinking  Array Idle/Error or Auto Hot Plug aborted", 4},
                       {"   -2    ID not available", 5},
                       {"\xC4", -1},
                       {"Channel  Fault Bus     Swap  SHELF  LED Code", 7},
                       {"                       State Detect ID%-2d ID%-2d ID%-2d ID%-2d ID%-2d ID%-2d ID%-2d ID%-2d", 8},
                       {FB_CHANNEL_LINE, 9},
                       {FB_CHANNEL_LINE, 10},
                       {FB_CHANNEL_LINE, 11},
                       {FB_CHANNEL_LINE, 12},
                       {FB_CHANNEL_LINE, 13},
                       {FB_CHANNEL_LINE, 14},
                       {nullptr, 0}}};
#undef FB_CHANNEL_LINE

const int viewKeys[] = {tui::keyF(2), tui::keyF(4), tui::keyF(10), -1};

// One channel's line values.
struct ChannelLine {
    int state = 3;
    long swaps = 0;
    const char* shelf = "NA";
    int32_t leds[FAULT_BUS_STATE_SLOTS] = {};
};

// Reads channel c's line; false after a failed read (shown).
bool ReadChannel(CController& controller, int c, ChannelLine& line)
{
    line = ChannelLine{};
    line.state = FaultBusChannelState(controller, c);
    if (line.state == 3)
        return true;
    FaultBusStates states;
    states.head[0] = static_cast<uint8_t>(c);
    if (!controller.GetFaultBusStates(&states)) {
        ShowErrorCode(controller.error);
        return false;
    }
    if (states.head[replyPresent] != 0) {
        const uint32_t count = static_cast<uint32_t>(states.head[replySwaps]) |
                               static_cast<uint32_t>(states.head[replySwaps + 1]) << 8 |
                               static_cast<uint32_t>(states.head[replySwaps + 2]) << 16 |
                               static_cast<uint32_t>(states.head[replySwaps + 3]) << 24;
        line.swaps = static_cast<long>(count % 100000);
        line.state = 1;
        std::copy(std::begin(states.slots), std::end(states.slots), line.leds);
    }
    if (controller.configPageA[pageFaultBusEnable + c] != controller.configPageB[pageFaultBusEnable + c])
        line.state = 2;
    if (controller.configPageB[pageShelfMonitoring] == 0)
        line.shelf = "NA";
    else
        line.shelf = states.head[replyShelf] != 0 ? "OK" : "Not OK";
    return true;
}

}  // namespace

int FaultBusStatesView(CController& controller)
{
    const int channels = std::clamp(static_cast<int>(controller.info.channelCount), 0, 6);
    int first = 0;
    int current = 0;
    for (;;) {
        ChannelLine lines[6];
        for (int c = 0; c < channels; ++c)
            if (!ReadChannel(controller, c, lines[c]))
                return 1;
        int result;
        {
            CTagMenu menu(&statesMenu, 0, firstChannelItem + channels);
            if (!menu.IsOk()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            menu.SetItemTextById(8, first, first + 1, first + 2, first + 3, first + 4, first + 5, first + 6,
                                 first + 7);
            for (int c = 0; c < channels; ++c) {
                const int32_t* l = lines[c].leds + first;
                menu.SetItemTextById(firstChannelItem + c, controller.channels[c].name,
                                     FaultBusStateText(lines[c].state), lines[c].swaps, lines[c].shelf, l[0], l[1],
                                     l[2], l[3], l[4], l[5], l[6], l[7]);
            }
            if (!menu.Open()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            for (int c = 0; c < channels; ++c)
                if (lines[c].state == 3)
                    menu.DisableItem(firstChannelItem + c);
            // ENTER on a line does nothing; the view goes on from it.
            for (;;) {
                result = menu.Run(current, viewKeys);
                current = menu.CurrentItem() == 6 ? 0 : menu.CurrentItem();
                if (result < 0 || result == tui::keyF(2) || result == tui::keyF(4) || result == tui::keyF(10))
                    break;
            }
        }
        if (result == tui::keyF(2) || result == tui::keyF(4))
            first = first == 0 ? idsPerPage : 0;
        else if (result != tui::keyF(10))
            return 1;
    }
}
