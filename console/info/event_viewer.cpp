#include "event_viewer.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "byte_order.h"
#include "console.h"
#include "console_state.h"
#include "controller.h"
#include "controller_access.h"
#include "dialog_list.h"
#include "dialog_screen.h"
#include "host_system.h"
#include "input_box.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "str_printf.h"

namespace {

constexpr int maxEvents = 100;
constexpr int columnCount = 5;
constexpr int timeColumn = 1;
constexpr int textColumn = 4;
constexpr size_t detailWrapWidth = 50;
constexpr size_t eventDataController = 0;  // u16 in the event data
constexpr size_t eventDataNumber = 4;      // u16 in the event data
constexpr const char* eventLogBrand = "Tarvo";

struct EventColumn {
    const char* header;
    const char* format;
    int shownWidth;
    int bufferWidth;
};
constexpr EventColumn columns[columnCount] = {
    {"Ctr", "%3d ", 4, 4},
    {"Time", "%s  ", 25, 25},
    {"Cnt", "%3d ", 4, 4},
    {"Evt", "%3d  ", 4, 4},
    {"Text", "%s", 37, 256},
};

// The events read last, the read first at index 0.
std::array<ControllerEvent, maxEvents> events;
int eventCount = 0;
// Column texts by row (row 0 the event read last) and column.
std::vector<std::array<std::string, columnCount>> columnTexts;
int timeShown = 0;

// The event file name, offered again next time.
char eventFileName[65] = "raidevent.log";

// The file name input; shared in layout with the firmware update's path.
InputDef eventFileInput = {1, 11, 0, "Path: ", 64};

ListDef eventList = {1, 3, 0, 1, 76, 4, " Controller Events ", nullptr, "", {"%s", nullptr}};

// A time stamp as the C library's asctime text without its newline.
std::string TimeText(uint32_t stamp)
{
    const time_t t = static_cast<time_t>(stamp);
    tm local{};
    char text[64] = "";
    if (localtime_r(&t, &local) && asctime_r(&local, text)) {
        char* nl = std::strchr(text, '\n');
        if (nl)
            *nl = '\0';
    }
    return text;
}

// The event's text from two characters after its first ',' (bounded by its end).
std::string ListEventText(CController& controller, const ControllerEvent& e)
{
    char text[EVENT_TEXT_BUFFER_SIZE] = "";
    controller.GetEventText(&e, text, sizeof text);
    const char* comma = std::strchr(text, ',');
    if (!comma)
        return text;
    const size_t length = std::strlen(text);
    const size_t start = std::min(static_cast<size_t>(comma - text) + 2, length);
    return text + start;
}

int ReadEventList(CController& controller)
{
    eventCount = 0;
    events[0] = ControllerEvent{};
    events[0].handle = EVENT_HANDLE_FIRST;
    for (;;) {
        if (!controller.ReadEvent(EVENT_CODE_BY_HANDLE, &events[static_cast<size_t>(eventCount)]))
            break;
        ++eventCount;
        if (eventCount == maxEvents)
            break;
        const uint32_t next = events[static_cast<size_t>(eventCount) - 1].handle;
        if (next == EVENT_HANDLE_FIRST)
            break;
        events[static_cast<size_t>(eventCount)] = ControllerEvent{};
        events[static_cast<size_t>(eventCount)].handle = next;
    }
    timeShown = (eventCount > 0 && events[0].record.time2 != 0) || Options().administrator ? 1 : 0;
    return eventCount;
}

void FreeEventColumns()
{
    columnTexts.clear();
    columnTexts.shrink_to_fit();
}

// The formatted value of column c for an event, cut to the buffer width.
std::string ColumnText(CController& controller, const ControllerEvent& e, int c)
{
    std::string text;
    switch (c) {
    case 0:
        text = tui::formatText(columns[c].format, wire::get16(e.record.data, eventDataController));
        break;
    case timeColumn:
        text = tui::formatText(columns[c].format, TimeText(e.record.time2));
        break;
    case 2:
        text = tui::formatText(columns[c].format, e.record.count);
        break;
    case 3:
        text = tui::formatText(columns[c].format, wire::get16(e.record.data, eventDataNumber));
        break;
    default:
        text = ListEventText(controller, e);
        break;
    }
    if (text.size() > static_cast<size_t>(columns[c].bufferWidth))
        text.resize(static_cast<size_t>(columns[c].bufferWidth));
    return text;
}

int BuildEventColumns(CController& controller)
{
    try {
        columnTexts.clear();
        columnTexts.resize(static_cast<size_t>(eventCount));
        for (int r = 0; r < eventCount; ++r)
            for (int c = 0; c < columnCount; ++c)
                columnTexts[static_cast<size_t>(r)][static_cast<size_t>(c)] =
                    ColumnText(controller, events[static_cast<size_t>(eventCount - 1 - r)], c);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

// The columns the list shows and its header.
struct ShownColumns {
    bool shown[columnCount] = {};
    std::string header;
};

ShownColumns ChooseColumns(int listWidth)
{
    ShownColumns s;
    int taken = 0;
    for (int c = 0; c < columnCount; ++c) {
        if (c == timeColumn && !timeShown)
            continue;
        if (taken + columns[c].shownWidth > listWidth)
            continue;
        taken += columns[c].shownWidth;
        s.shown[c] = true;
        std::string head = columns[c].header;
        head.resize(static_cast<size_t>(columns[c].shownWidth), ' ');
        s.header += head;
    }
    return s;
}

std::string EventLine(int row, const ShownColumns& s, int listWidth)
{
    int others = 0;
    for (int c = 0; c < columnCount; ++c)
        if (s.shown[c] && c != textColumn)
            others += columns[c].shownWidth;
    std::string line;
    for (int c = 0; c < columnCount; ++c) {
        if (!s.shown[c])
            continue;
        const std::string& text = columnTexts[static_cast<size_t>(row)][static_cast<size_t>(c)];
        if (c == textColumn) {
            char fitted[EVENT_TEXT_BUFFER_SIZE + 4];
            FitEventText(text.c_str(), listWidth - others, fitted, sizeof fitted);
            line += fitted;
        } else {
            line += text;
        }
    }
    if (line.size() > static_cast<size_t>(std::max(0, listWidth)))
        line.resize(static_cast<size_t>(std::max(0, listWidth)));
    return line;
}

CListBox* BuildEventListBox(std::string& header)
{
    const int listWidth = RootWidth() - 4;
    eventList.width = listWidth;
    const ShownColumns s = ChooseColumns(listWidth);
    header = s.header;
    const int n = std::max(1, eventCount);
    const int rows = DialogScreenHeight();
    eventList.y = std::max(3, (rows / 2 - n) - 2);
    eventList.visible = std::min(n + 3, rows - 5);
    eventList.headLine = header.c_str();
    CListBox* list = new (std::nothrow) CListBox(&eventList, n, 1);
    if (!list)
        return nullptr;
    if (!list->IsOk()) {
        delete list;
        return nullptr;
    }
    if (eventCount == 0)
        list->SetLineText(0, MessageText("M0008"));
    for (int r = 0; r < eventCount; ++r)
        list->SetLineText(r, EventLine(r, s, listWidth).c_str());
    return list;
}

void ShowEventDetails(CController& controller, const ControllerEvent& e)
{
    const char* severity = e.word == EVENT_CRITICAL ? "critical" : e.word == EVENT_WARNING ? "warning" : "information";
    static const char* const sources[] = {"unknown", "asynchronous", "driver", "test", "synchronous"};
    const char* type = e.record.source < std::size(sources) ? sources[e.record.source] : "unknown";
    std::string box;
    if (timeShown)
        box = tui::formatText("Time    : %s\nSeverity: %s\nType    : %s\n", TimeText(e.record.time), severity, type);
    else
        box = tui::formatText("Severity: %s\nType    : %s\n", severity, type);
    if (e.record.source == 1) {
        std::string origin;
        switch (e.record.service) {
        case 9:
            origin = "Controller (cache service)";
            break;
        case 3:
            origin = "Controller (raw service)";
            break;
        case 11:
            origin = "Controller (screen service)";
            break;
        default:
            origin = tui::formatText("Controller (service %d)", e.record.service);
            break;
        }
        box += tui::formatText("Origin  : %s\n", origin);
    }
    char text[EVENT_TEXT_BUFFER_SIZE] = "";
    controller.GetEventText(&e, text, sizeof text);
    WrapText(text, detailWrapWidth);
    box += "\nText:\n";
    box += text;
    ShowMessage(box.c_str(), e.word == EVENT_CRITICAL ? 1 : 0, 0);
}

// Writes the list to the file; false on the first failing write.
bool WriteEvents(FILE* f, bool created, CController& controller)
{
    bool ok = true;
    auto put = [&](const std::string& s) {
        if (ok && std::fputs(s.c_str(), f) == EOF)
            ok = false;
    };
    if (created) {
        put(tui::formatText("%s RAID Controller event log\n", eventLogBrand));
        const time_t now = std::time(nullptr);
        tm local{};
        char stamp[64] = "\n";
        if (localtime_r(&now, &local))
            asctime_r(&local, stamp);
        put(tui::formatText("Time: %s", stamp));
        char ram[48];
        RamText(controller, ram, sizeof ram);
        const CHostSystem* machine = CurrentMachine();
        put(tui::formatText("%s on %s, %s, RAM %s, FW: %s\n\n", controller.info.typeName,
                            machine ? machine->name : "", controller.info.pciText, ram,
                            controller.info.firmwareText));
        for (int c = 0; c < columnCount; ++c) {
            if (c == timeColumn && !timeShown)
                continue;
            const std::string format = tui::formatText("%%-%ds", columns[c].bufferWidth);
            put(tui::formatText(format.c_str(), columns[c].header));
        }
        put("\n");
    }
    for (int r = eventCount - 1; r >= 0; --r) {
        for (int c = 0; c < columnCount; ++c)
            if (c != timeColumn || timeShown)
                put(columnTexts[static_cast<size_t>(r)][static_cast<size_t>(c)]);
        put("\n");
    }
    return ok;
}

int SaveEvents(CController& controller)
{
    {
        CInputBox input(&eventFileInput);
        if (!input.Open("File: ", nullptr)) {
            ShowMessage(MessageText("M4000"), 1, 1);
            return 0;
        }
        char name[sizeof eventFileName];
        std::memcpy(name, eventFileName, sizeof name);
        input.Edit(name);
        if (input.LastKey() != tui::keyEnter || name[0] == '\0')
            return 0;
        std::memcpy(eventFileName, name, sizeof name);
    }
    struct stat st {};
    const bool exists = stat(eventFileName, &st) == 0;
    FILE* f = std::fopen(eventFileName, exists ? "a" : "w");
    if (!f) {
        ShowMessage(MessageText("M5055"), 1, 1);
        return 0;
    }
    const bool written = WriteEvents(f, !exists, controller);
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        ShowMessage(MessageText("M5055"), 1, 1);
        return 0;
    }
    return 1;
}

int ClearAndReloadEvents(CController& controller)
{
    controller.ClearEvents();
    FreeEventColumns();
    ReadEventList(controller);
    BuildEventColumns(controller);
    return 1;
}

const int viewerKeys[] = {tui::keyF(8), tui::keyF(2), -1};

}  // namespace

void WrapText(char* text, size_t width)
{
    if (!text || width == 0)
        return;
    char* rest = text;
    while (std::strlen(rest) > width) {
        char* blank = nullptr;
        for (size_t i = width + 1; i-- > 0;) {
            if (rest[i] == ' ') {
                blank = rest + i;
                break;
            }
        }
        if (blank) {
            *blank = '\n';
            rest = blank + 1;
        } else {
            rest += width;
        }
    }
}

void FitEventText(const char* text, int room, char* out, size_t size)
{
    if (size == 0)
        return;
    std::string t = text ? text : "";
    if (static_cast<int>(t.size()) >= room - 1)
        t = t.substr(0, static_cast<size_t>(std::max(0, room - 4))) + "...";
    tui::strPrintf(std::span<char>(out, size), "%s", t);
}

int ViewEvents(CController& controller)
{
    ReadEventList(controller);
    if (!BuildEventColumns(controller)) {
        FreeEventColumns();
        ShowMessage(MessageText("M5051"), 0, 1);
        return 0;
    }
    int line = 0;
    CListBox* list = nullptr;
    std::string header;
    for (;;) {
        delete list;
        list = BuildEventListBox(header);
        if (!list || !list->Open()) {
            delete list;
            FreeEventColumns();
            ShowMessage(MessageText("M5052"), 0, 1);
            return 0;
        }
        if (line >= std::max(1, eventCount))
            line = 0;
        int key = 0;
        const int result = list->Run(line, viewerKeys, &key);
        if (result == -3) {
            delete list;
            FreeEventColumns();
            ShowMessage(MessageText("M5052"), 0, 1);
            return 0;
        }
        if (result < 0)
            break;
        if (eventCount == 0)
            continue;
        if (key == tui::keyF(2)) {
            if (SaveEvents(controller))
                ClearAndReloadEvents(controller);
        } else if (key == tui::keyF(8)) {
            if (AskYesNo(MessageText("M3103"), 0))
                ClearAndReloadEvents(controller);
        } else {
            line = result;
            ShowEventDetails(controller, events[static_cast<size_t>(eventCount - 1 - result)]);
        }
    }
    delete list;
    FreeEventColumns();
    return 1;
}
