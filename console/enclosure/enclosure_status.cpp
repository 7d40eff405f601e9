// The " Enclosure Status " view of an enclosure processor: alarm, door
// lock, power supplies, fans and temperatures, with alarm and door control.
#include <array>
#include <string>
#include <vector>

#include "console_state.h"
#include "controller.h"
#include "dialog_list.h"
#include "dialog_menu.h"
#include "enclosure_screens.h"
#include "error_message.h"
#include "key_codes.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "phys_drive.h"
#include "phys_drive_records.h"
#include "str_printf.h"

namespace {

ListDef statusList = {5, 5, 0, 0, 63, -1, " Enclosure Status ", " F10: Refresh Info ", nullptr,
                      {"Audible Alarm Status ......... (%s)", "Door Lock Status ............. (%s)", "%s", nullptr}};
MenuDef enclosureOnOffMenu = {0, 0, 0, nullptr, nullptr, {{"Off", 0}, {"On", 1}, {nullptr, 0}}};

const int refreshKeys[] = {tui::keyF(10), -1};

// The catalog text of a state by a table of (state, message), else `other`.
struct StateText {
    int state;
    const char* message;
};
template <size_t N>
const char* TextOf(const StateText (&table)[N], int state, const char* other)
{
    for (const StateText& t : table)
        if (t.state == state)
            return MessageText(t.message);
    return MessageText(other);
}

constexpr StateText alarmTexts[] = {{0, "M1036"}, {1, "M1037"}};
constexpr StateText doorTexts[] = {{0, "M1039"}, {1, "M1040"}, {2, "M1041"}};
constexpr StateText powerTexts[] = {{0x00, "M1043"}, {0x01, "M1044"}, {0x10, "M1046"},
                                    {0x11, "M1047"}, {0x20, "M1048"}, {0x21, "M1049"}};
constexpr StateText fanTexts[] = {{0, "M1042"}, {1, "M1045"}, {2, "M1048"}};

std::string Format(const char* format, int k, const char* text)
{
    std::array<char, 160> line{};
    tui::strPrintf(line, format, k, text);
    return line.data();
}

}  // namespace

int EnclosureStatus(CPhysDrive& device)
{
    const uint8_t* layout = device.GetEnclosureLayout();
    const int power = layout[ENCLAYOUT_POWER];
    const int fans = layout[ENCLAYOUT_FANS];
    const int sensors = layout[ENCLAYOUT_SENSORS];
    const int lines = 3 + power + fans + sensors;
    std::vector<int> status(static_cast<size_t>(3 + power + fans + 3 * sensors), 0);
    int current = 0;
    for (;;) {
        if (!device.GetEnclosureStatus(status.data())) {
            ShowErrorCode(device.error);
            return 1;
        }
        int chosen;
        {
            CListBox list(&statusList, lines, 1);
            if (!list.IsOk()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            list.SetLine(0, TextOf(alarmTexts, status[0], "M1058"));
            list.SetLine(1, TextOf(doorTexts, status[1], "M1058"));
            int at = 2;
            for (int k = 0; k < power; ++k)
                list.SetLine(2 + k, Format(MessageText("M1053"), k, TextOf(powerTexts, status[at++], "M1050")));
            for (int k = 0; k < fans; ++k)
                list.SetLine(2 + power + k, Format(MessageText("M1033"), k, TextOf(fanTexts, status[at++], "M1049")));
            std::array<char, 160> text{};
            tui::strPrintf(text, MessageText("M1034"), MessageText(status[at++] == 0 ? "M1051" : "M1052"));
            list.SetLine(2 + power + fans, text.data());
            for (int k = 0; k < sensors; ++k, at += 3) {
                tui::strPrintf(text, MessageText("M1035"), k, status[at], status[at + 1],
                               MessageText(status[at + 2] == 0 ? "M1051" : "M1052"));
                list.SetLine(3 + power + fans + k, text.data());
            }
            if (!list.Open()) {
                ShowMessage(MessageText("M4000"), 1, 1);
                return 1;
            }
            int key = 0;
            chosen = list.Run(current, refreshKeys, &key);
            if (key == tui::keyF(10)) {
                current = chosen;
                continue;
            }
        }
        if (chosen < 0)
            return 1;
        current = chosen;
        if (chosen == 0 && (status[0] == 0 || status[0] == 1)) {
            int value = status[0];
            if (!PickValue(&enclosureOnOffMenu, &value) || !AskYesNo(MessageText("M3014"), 0))
                continue;
            if (!device.SetEnclosureControl(0, value))
                ShowErrorCode(device.error);
        } else if (chosen == 1 && (status[1] == 1 || status[1] == 2)) {
            if (!AskYesNo(MessageText("M3014"), 0))
                continue;
            if (!device.SetEnclosureControl(1, status[1] == 1 ? 1 : 0))
                ShowErrorCode(device.error);
        }
    }
}
