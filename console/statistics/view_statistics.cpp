#include "view_statistics.h"

#include <memory>

#include "cache_stat_window.h"
#include "console_state.h"
#include "controller.h"
#include "dialog_menu.h"
#include "dialog_screen.h"
#include "drive_stat_window.h"
#include "driver_stat_window.h"
#include "frame_styles.h"
#include "message_boxes.h"
#include "message_catalog.h"
#include "statistics_settings.h"

namespace {

enum StatisticsItem { itemHost, itemLogical, itemPhysical, itemCache, itemRate, itemLogging, itemDriver };

MenuDef statisticsMenu = {20, 9, 0, " View Statistics ", nullptr,
                          {{"&Host Drives", itemHost},
                           {"&Logical Drives", itemLogical},
                           {"&Physical Drives", itemPhysical},
                           {"&Cache statistics     ", itemCache},
                           {"&Sample rate", itemRate},
                           {"L&ogging On/Off", itemLogging},
                           {"&Driver statistics", itemDriver},
                           {nullptr, 0}}};
// Items outside administrator mode: all but the driver statistics, the last one.
constexpr int userItems = 6;

bool HasDisk(const CController& controller)
{
    for (int k = 0; k < controller.physDrives.count; ++k)
        if (controller.physDrives[k].DeviceType() == 0)
            return true;
    return false;
}

// The window of an item, sized from row 4 to the second-last row.
std::unique_ptr<CStatWindow> WindowOf(int item)
{
    const tui::rect area(0, 4, DialogScreenWidth(), DialogScreenHeight() - 5);
    const tui::frameSpec* frame = &StatisticsFrame(1);
    tui::window* root = DialogRoot();
    switch (item) {
    case itemHost:
    case itemLogical:
    case itemPhysical: return std::make_unique<CDrvStatWin>(area, frame, root);
    case itemCache:
        if (Options().administrator)
            return std::make_unique<CAdvCacheStatWin>(area, frame, root);
        return std::make_unique<CCacheStatWin>(area, frame, root);
    default: return std::make_unique<CDriverStatWin>(area, frame, root);
    }
}

constexpr int kindOf[] = {statHost, statLogical, statPhysical, statCache, -1, -1, statDriver};

}  // namespace

void HideMissingStatistics(CTagMenu& menu, const CController& controller)
{
    if (controller.hostDrives.count == 0)
        menu.HideItem(itemHost);
    if (controller.logDrives.count == 0)
        menu.HideItem(itemLogical);
    if (!HasDisk(controller))
        menu.HideItem(itemPhysical);
}

int ViewStatistics(CController& controller)
{
    CTagMenu menu(&statisticsMenu, 1, Options().administrator ? -1 : userItems);
    if (!menu.IsOk() || !menu.Open()) {
        ShowMessage(MessageText("M4000"), 1, 1);
        return 0;
    }
    HideMissingStatistics(menu, controller);
    int last = itemHost;
    for (;;) {
        const int item = menu.Run(last);
        if (item < 0)
            break;
        last = item;
        controller.UpdateStatistics(1);
        if (item == itemRate) {
            AskSampleRate();
        } else if (item == itemLogging) {
            AskLogging();
        } else if (item >= itemHost && item <= itemDriver) {
            std::unique_ptr<CStatWindow> window = WindowOf(item);
            if (window->Setup(controller, kindOf[item], StatSettings().samplePeriod)) {
                window->SetLogging(StatSettings().logging);
                window->Run();
            }
        }
    }
    return 1;
}
