#include "statistics_settings.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "console.h"
#include "console_state.h"
#include "dialog_menu.h"
#include "dialog_screen.h"
#include "input_box.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "str_printf.h"

namespace {

constexpr uint32_t scaleValues[] = {20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 50000, 100000};

MenuDef loggingMenu = {30, 10, 0, nullptr, nullptr, {{"Off", 0}, {"On", 1}, {nullptr, 0}}};

}  // namespace

StatisticsSettings& StatSettings()
{
    static StatisticsSettings settings;
    return settings;
}

uint32_t ScaleValue(int index)
{
    constexpr int count = static_cast<int>(sizeof scaleValues / sizeof scaleValues[0]);
    return index >= 0 && index < count ? scaleValues[index] : 0;
}

int ParseSampleRate(const char* text, int limit, int* value)
{
    if (text == nullptr || *text == '\0')
        return 0;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < 1 || v > limit || v > INT_MAX)
        return 0;
    *value = static_cast<int>(v);
    return 1;
}

void AskSampleRate()
{
    const int administrator = Options().administrator;
    const int limit = administrator ? 100 : 10;
    InputDef def = {1, 11, 0, administrator ? "New Sample Rate (in 1/10s): " : "New Sample Rate (in sec.): ", 20};
    char text[21];
    std::snprintf(text, sizeof text, "%d", administrator ? StatSettings().samplePeriod : StatSettings().samplePeriod / 10);
    CInputBox box(&def);
    if (!box.Open(nullptr, nullptr)) {
        ShowMessage(MessageText("M4000"), 1, 1);
        return;
    }
    for (;;) {
        box.Edit(text);
        if (box.LastKey() == tui::keyEsc)
            break;
        int value = 0;
        if (ParseSampleRate(text, limit, &value)) {
            StatSettings().samplePeriod = administrator ? value : value * 10;
            break;
        }
        char message[128];
        tui::strPrintf(message, MessageText("M5057"), 1, limit);
        ShowMessage(message, 1, 1);
    }
    SetRootAutoRefresh(1);
}

void AskLogging()
{
    CTagMenu menu(&loggingMenu, 1);
    if (!menu.IsOk() || !menu.Open()) {
        ShowMessage(MessageText("M4000"), 1, 1);
        return;
    }
    const int chosen = menu.Run(StatSettings().logging);
    if (chosen == 0 || chosen == 1)
        StatSettings().logging = chosen;
}
