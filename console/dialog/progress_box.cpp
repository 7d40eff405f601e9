#include "progress_box.h"

#include <cstring>
#include <new>
#include <string>

#include "day_time.h"
#include "dialog_cascade.h"
#include "dialog_colors.h"
#include "dialog_screen.h"
#include "console.h"
#include "key_codes.h"
#include "pause.h"
#include "str_printf.h"

namespace {

// "hh:mm:ss" of a number of seconds, or blanks of the same width and the
// given gap when there is none.
std::string TimeText(int seconds, const char* gap)
{
    if (seconds < 0)
        return std::string(8 + std::strlen(gap), ' ');
    const tui::dayTime t(0, 0, seconds);
    return tui::formatText("%02d:%02d:%02d", t.hour(), t.minute(), t.second()) + gap;
}

}  // namespace

bool EscWithinASecond()
{
    for (int i = 0; i < 10; ++i) {
        while (tui::keyPressed())
            if (tui::readKey() == tui::keyEsc)
                return true;
        ModelPauseMs(100);
    }
    return false;
}

int SecondsSince(std::chrono::steady_clock::time_point start)
{
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count());
}

ProgressDef ConsoleProgress = {15, 8, 0, 50, " Progress Information ", " Press ESC to quit "};

CProgressBox::CProgressBox(ProgressDef* def) : def_(def), level_(EnterDialogLevel())
{
    std::memcpy(colors_, ColorSet(def ? def->scheme : 0), sizeof colors_);
    if (!def || !DialogLevelUsable(level_))
        return;
    const tui::frameSpec frame{4, colors_[colorFrame], colors_[colorFill], colors_[colorText], ' '};
    tui::gaugeStyle bar;
    bar.frameStyle = 0;
    bar.frameAttr = colors_[colorFrame];
    bar.fillAttr = colors_[colorFill];
    bar.textAttr = colors_[colorText];
    bar.shadow = 0;
    bar.barWidth = def->barWidth;
    try {
        win_ = std::make_unique<tui::shadWindow>(tui::rect(def->x, def->y, def->barWidth + 10, 4), &frame,
                                                 DialogRoot());
        gauge_ = std::make_unique<tui::gauge>(tui::point(1, 1), &bar, win_.get());
    } catch (const std::bad_alloc&) {
        return;
    }
    ok_ = 1;
}

CProgressBox::~CProgressBox()
{
    gauge_.reset();
    win_.reset();
    LeaveDialogLevel();
}

int CProgressBox::Open(const char* title, const char* hint)
{
    if (!ok_ || !gauge_->open(0, 100, nullptr, nullptr) || !win_->show())
        return 0;
    win_->writeCentered(0, title ? title : (def_->title ? def_->title : ""), colors_[colorFrame]);
    win_->writeCentered(3, hint ? hint : (def_->hint ? def_->hint : ""), colors_[colorFrame]);
    opened_ = 1;
    return 1;
}

int CProgressBox::Update(int percent, int elapsed, int estimated)
{
    if (!ok_ || !opened_)
        return 0;
    const int width = def_->barWidth;
    const int wasAuto = win_->autoRefresh();
    win_->setAutoRefresh(0);
    win_->writeText(width + 2, 1, tui::formatText("| %3d %%", percent));
    win_->writeText(1, 2, std::string(static_cast<size_t>(width) + 8, ' '));
    win_->writeText(1, 2, "Elapsed Time: " + TimeText(elapsed, "    ") + "Estimated Time: " + TimeText(estimated, ""));
    win_->setAutoRefresh(wasAuto);
    gauge_->setValue(percent);
    return 1;
}

int CProgressBox::Show()
{
    if (!ok_ || !opened_)
        return 0;
    // Window and bar reach the root first; one flush then carries the cells
    // that changed.
    const int was = RootAutoRefresh();
    SetRootAutoRefresh(0);
    const int result = win_->show() && gauge_->show() ? 1 : 0;
    SetRootAutoRefresh(1);
    SetRootAutoRefresh(was);
    return result;
}
