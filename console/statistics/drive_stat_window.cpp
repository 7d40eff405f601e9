#include "drive_stat_window.h"

#include <algorithm>
#include <cstring>

#include "console.h"
#include "console_screen.h"
#include "controller.h"
#include "str_printf.h"

namespace {

constexpr const char* titles[] = {"Physical Drive Statistics", "Logical Drive Statistics", "Host Drive Statistics"};
constexpr const char* logNames[] = {"physstat.log", "logstat.log", "hoststat.log"};
constexpr uint8_t markUp = 0x18;
constexpr uint8_t markDown = 0x19;
constexpr int maxScaleStep = 10;

}  // namespace

CDrvStatWin::CDrvStatWin(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent)
    : CStatWindow(area, frame, parent)
{
}

CDrvStatWin::~CDrvStatWin()
{
    // The bars go before the window whose buffer they draw into.
    bars_.clear();
    total_.reset();
    bottom_.reset();
    top_.reset();
}

int CDrvStatWin::Setup(CController& controller, int kind, int period)
{
    if (kind < statPhysical || kind > statHost)
        return 0;
    kind_ = kind;
    controller_ = &controller;
    period_ = period;
    const int width = cellsWidth();
    const int height = cellsHeight();
    partFrame_ = {0, frame().textAttr, frame().fillAttr, frame().textAttr, ' '};
    top_ = std::make_unique<CStatAxis>(tui::rect(0, 1, width, 2), &partFrame_, this);
    bottom_ = std::make_unique<CStatAxis>(tui::rect(0, height - 5, width, 2), &partFrame_, this);
    visible_ = std::max(1, (height - 8) / 3);
    first_ = 0;
    controller.UpdateStatistics(1);
    title_ = titles[kind];
    total_ = std::make_unique<CSumDrvBar>(tui::rect(0, height - 3, width, 3), &partFrame_, this);
    const auto place = [&](std::unique_ptr<CDrvBar> bar) {
        CDrvBar* added = static_cast<CDrvBar*>(AddBar(std::move(bar)));
        if (!added)
            return;
        added->Attach();
        total_->Add(added);
    };
    const auto rect = [&] {
        const int i = BarCount();
        return tui::rect(0, RowOf(std::min(i, visible_ - 1)), width, 3);
    };
    if (kind == statPhysical) {
        for (int k = 0; k < controller.physDrives.count && BarCount() < statBarSlots; ++k)
            if (controller.physDrives[k].DeviceType() == 0)
                place(std::make_unique<CPhysBar>(rect(), &partFrame_, this, controller.physDrives[k]));
    } else if (kind == statLogical) {
        for (int k = 0; k < controller.logDrives.count && BarCount() < statBarSlots; ++k)
            place(std::make_unique<CLogBar>(rect(), &partFrame_, this, controller.logDrives[k]));
    } else {
        for (int k = 0; k < controller.hostDrives.count && BarCount() < statBarSlots; ++k)
            place(std::make_unique<CHostBar>(rect(), &partFrame_, this, controller.hostDrives[k]));
    }
    std::snprintf(defaultName_, sizeof defaultName_, "%s", logNames[kind]);
    return 1;
}

int CDrvStatWin::show()
{
    const int shown = window::show();
    top_->show();
    bottom_->show();
    for (int i = first_; i < std::min(BarCount(), first_ + visible_); ++i)
        Bar(i)->show();
    total_->show();
    return shown;
}

void CDrvStatWin::paint()
{
    if (!isVisible())
        return;
    setAutoRefresh(0);
    PaintTitle();
    top_->paint();
    bottom_->paint();
    for (int i = 0; i < BarCount(); ++i)
        Bar(i)->paint();
    total_->paint();
    ShowScrollMarks();
    setAutoRefresh(1);
    refresh();
}

void CDrvStatWin::ShowScrollMarks()
{
    const uint8_t attr = frame().textAttr;
    fill(1, 2, 1, first_ > 0 ? markUp : ' ', attr);
    fill(1, cellsHeight() - 4, 1, BelowView() > 0 ? markDown : ' ', attr);
}

void CDrvStatWin::ScrollDown()
{
    Bar(first_)->hide();
    for (int r = 1; r < visible_; ++r)
        Bar(first_ + r)->moveTo(0, RowOf(r - 1));
    CStatBar* entering = Bar(first_ + visible_);
    entering->moveTo(0, RowOf(visible_ - 1));
    entering->show();
    ++first_;
}

void CDrvStatWin::ScrollUp()
{
    Bar(first_ + visible_ - 1)->hide();
    for (int r = visible_ - 2; r >= 0; --r)
        Bar(first_ + r)->moveTo(0, RowOf(r + 1));
    --first_;
    CStatBar* entering = Bar(first_);
    entering->moveTo(0, RowOf(0));
    entering->show();
}

void CDrvStatWin::MoveView(int n)
{
    for (int i = first_; i < std::min(BarCount(), first_ + visible_); ++i)
        Bar(i)->hide();
    first_ += n;
    for (int r = 0; r < visible_ && first_ + r < BarCount(); ++r) {
        Bar(first_ + r)->moveTo(0, RowOf(r));
        Bar(first_ + r)->show();
    }
}

void CDrvStatWin::PageDown()
{
    MoveView(std::min(visible_, BelowView()));
}

void CDrvStatWin::PageUp()
{
    MoveView(-std::min(visible_, first_));
}

void CDrvStatWin::SetScale(int index)
{
    setAutoRefresh(0);  // one refresh at the end of paint
    top_->SetScale(index);
    bottom_->SetScale(index);
    for (int i = 0; i < BarCount(); ++i)
        DriveBar(i)->SetScale(index);
    total_->SetScale(index);
    paint();
}

void CDrvStatWin::OnKey(int key)
{
    const int scale = top_->Scale();
    if ((key == tui::keyDown || key == tui::keyPageDown) && BelowView() > 0) {
        key == tui::keyDown ? ScrollDown() : PageDown();
        ShowScrollMarks();
    } else if ((key == tui::keyUp || key == tui::keyPageUp) && first_ > 0) {
        key == tui::keyUp ? ScrollUp() : PageUp();
        ShowScrollMarks();
    } else if (key == tui::keyLeft && scale >= 1) {
        SetScale(scale - 1);
    } else if (key == tui::keyRight && scale < maxScaleStep) {
        SetScale(scale + 1);
    }
}

void CDrvStatWin::Run()
{
    Begin();
    while (!WaitPeriod()) {
        controller_->UpdateStatistics(0);
        setAutoRefresh(0);
        for (int i = 0; i < BarCount(); ++i)
            Bar(i)->Sample();
        total_->Sample();
        ++samples_;
        if (logging_)
            WriteLogRow();
        ShowStatus();
        setAutoRefresh(1);
    }
    End();
}

void CDrvStatWin::ShowStatus()
{
    char text[256];
    tui::strPrintf(text, "Ctr: %s on %s; Samples: %d, Log: %s, \x18\x19\x1B\x1A: Scroll/Scale", TypeName(),
                   MachineName(), samples_, logging_ ? "On" : "Off");
    ShowStatusWindowText(1, text);
}

void CDrvStatWin::WriteLogHeader()
{
    WriteLogIntro();
    for (int i = 0; i < BarCount(); ++i)
        std::fprintf(log_, "D%d:\t%s\n", i + 1, Bar(i)->Label());
    std::fputs("Transfer rates in KB/s.\nRead = Read Transfer Rate; Wrt = Write Transfer Rate.\n", log_);
    std::fputs("Time = Time interval\n", log_);
    std::fputs("\n Time [ms]", log_);
    for (int i = 0; i < BarCount(); ++i) {
        char read[24], wrt[24];
        std::snprintf(read, sizeof read, "D%d Read", i + 1);
        std::snprintf(wrt, sizeof wrt, "D%d Wrt", i + 1);
        std::fprintf(log_, "%10s%10s", read, wrt);
    }
    std::fprintf(log_, "%10s%10s\n", "Sum Read", "Sum Wrt");
}

void CDrvStatWin::WriteLogRow()
{
    WriteLogInterval(BarCount() > 0 ? DriveBar(0)->LastTime() : 0);
    for (int i = 0; i < BarCount(); ++i)
        std::fprintf(log_, "%10lu%10lu", static_cast<unsigned long>(DriveBar(i)->ReadRate()),
                     static_cast<unsigned long>(DriveBar(i)->WriteRate()));
    std::fprintf(log_, "%10lu%10lu\n", static_cast<unsigned long>(total_->ReadRate()),
                 static_cast<unsigned long>(total_->WriteRate()));
    std::fflush(log_);
}
