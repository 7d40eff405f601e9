#include "cache_stat_window.h"

#include <cstdio>
#include <cstring>

#include "byte_order.h"
#include "console_screen.h"
#include "controller.h"
#include "dialog_colors.h"
#include "str_printf.h"

namespace {

constexpr size_t boardInfoCacheSize = 12;

const char* LowerOnOff(uint32_t value)
{
    return value != 0 ? "on" : "off";
}

}  // namespace

CCacheStatWin::CCacheStatWin(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent)
    : CStatWindow(area, frame, parent)
{
}

void CCacheStatWin::SetupCommon(CController& controller, int period)
{
    controller_ = &controller;
    title_ = "Cache statistics";
    kind_ = statCache;
    period_ = period;
    partFrame_ = {0, frame().textAttr, frame().fillAttr, frame().textAttr, ' '};
    std::snprintf(defaultName_, sizeof defaultName_, "%s", "cachstat.log");
}

void CCacheStatWin::AddCacheBar(std::unique_ptr<CCacheBar> bar, int parity)
{
    bar->SetParity(parity);
    CCacheBar* added = static_cast<CCacheBar*>(AddBar(std::move(bar)));
    if (added)
        added->Bind(controller_);
}

int CCacheStatWin::Setup(CController& controller, int, int period)
{
    SetupCommon(controller, period);
    const int width = cellsWidth() - 7;
    AddCacheBar(std::make_unique<CReadCacheBar>(tui::rect(5, 6, width, 2), &partFrame_, this), 0);
    AddCacheBar(std::make_unique<CWriteCacheBar>(tui::rect(5, 9, width, 2), &partFrame_, this), 0);
    AddCacheBar(std::make_unique<CDirtyCacheBar>(tui::rect(5, 4, width, 1), &partFrame_, this), 0);
    return 1;
}

int CCacheStatWin::show()
{
    const int shown = window::show();
    for (int i = 0; i < BarCount(); ++i)
        Bar(i)->show();
    return shown;
}

void CCacheStatWin::paint()
{
    if (!isVisible())
        return;
    setAutoRefresh(0);
    PaintTitle();
    PaintHead();
    ShowCounters();
    for (int i = 0; i < BarCount(); ++i)
        Bar(i)->paint();
    setAutoRefresh(1);
    refresh();
}

void CCacheStatWin::PaintHead()
{
    char line[128];
    tui::strPrintf(line, "Cache: %3s     Delayed Write: %3s     Cache Size: %8lu KB", LowerOnOff(controller_->CacheSwitch()),
                   LowerOnOff(controller_->DelayedWriteSwitch()), wire::get32(controller_->boardInfo, boardInfoCacheSize) / 1024);
    writeText(5, 2, line);
}

void CCacheStatWin::ShowCounters()
{
    const CCacheBar* read = CacheBar(0);
    char line[128];
    tui::strPrintf(line, "Replacements: %8lu   Flush Writes: %8lu  Cache Writes: %8lu", read->Replacements(),
                   read->FlushWrites(), read->CacheWrites());
    writeText(5, 12, line);
}

void CCacheStatWin::Run()
{
    Begin();
    controller_->UpdateStatistics(1);
    uint8_t sample[CACHE_STAT_SAMPLE_SIZE];
    std::memcpy(sample, controller_->CacheSample(CACHE_SAMPLE_CURRENT), sizeof sample);
    controller_->UpdateCacheStatistics(sample, 1);
    if (BarCount() > 0)
        lastLogged_ = Bar(0)->LastTime();
    while (!WaitPeriod()) {
        controller_->UpdateStatistics(0);
        setAutoRefresh(0);
        for (int i = 0; i < BarCount(); ++i)
            Bar(i)->Sample();
        if (logging_)
            WriteLogRow();
        ShowCounters();
        ++samples_;
        ShowStatus();
        setAutoRefresh(1);
    }
    End();
}

void CCacheStatWin::ShowStatus()
{
    char text[256];
    tui::strPrintf(text, " Ctr: %s on %s,  Samples: %d,  Log: %s", TypeName(), MachineName(), samples_,
                   logging_ ? "ON" : "OFF");
    ShowStatusWindowText(0, text);
}

void CCacheStatWin::WriteLogHeader()
{
    WriteLogIntro();
    std::fputs("Rd Hit   = Cache Read Hits;         Wrt Hit  = Cache Write Hits.\n", log_);
    std::fputs("Drty Buf = Number of Dirty Buffers; Time     = Time interval\n", log_);
    std::fputs("Repl     = Replacements;            Flush Wr = Flush Writes\n", log_);
    std::fputs("Cache Wr = Cache Writes\n", log_);
    std::fputs("\n Time [ms]    Rd Hit   Wrt Hit  Drty Buf", log_);
    std::fputs("      Repl  Flush Wr  Cache Wr\n", log_);
}

void CCacheStatWin::WriteLogRow()
{
    WriteLogInterval(BarCount() > 0 ? Bar(0)->LastTime() : 0);
    for (int i = 0; i < BarCount(); ++i)
        std::fprintf(log_, "%10lu", static_cast<unsigned long>(CacheBar(i)->Bar1()->Value()));
    const CCacheBar* first = CacheBar(0);
    std::fprintf(log_, "%10lu%10lu%10lu\n", static_cast<unsigned long>(first->Replacements()),
                 static_cast<unsigned long>(first->FlushWrites()), static_cast<unsigned long>(first->CacheWrites()));
    std::fflush(log_);
}

CAdvCacheStatWin::CAdvCacheStatWin(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent)
    : CCacheStatWin(area, frame, parent)
{
}

int CAdvCacheStatWin::Setup(CController& controller, int, int period)
{
    SetupCommon(controller, period);
    const int width = cellsWidth() - 11;
    constexpr int rows[2][3] = {{6, 7, 5}, {15, 16, 14}};
    for (int parity = 0; parity < 2; ++parity) {
        AddCacheBar(std::make_unique<CReadCacheBar>(tui::rect(10, rows[parity][0], width, 1), &partFrame_, this),
                    parity);
        AddCacheBar(std::make_unique<CWriteCacheBar>(tui::rect(10, rows[parity][1], width, 1), &partFrame_, this),
                    parity);
        AddCacheBar(std::make_unique<CDirtyCacheBar>(tui::rect(10, rows[parity][2], width, 1), &partFrame_, this),
                    parity);
    }
    return 1;
}

void CAdvCacheStatWin::PaintHead()
{
    const uint8_t attr = ColorSet(schemeDialog)[colorText];
    write(0, 2, "Data", attr);
    write(0, 3, "Cache", attr);
    write(0, 11, "Parity", attr);
    write(0, 12, "Cache", attr);
}

void CAdvCacheStatWin::ShowCounters()
{
    for (int half = 0; half < 2 && 3 * half < BarCount(); ++half) {
        const CCacheBar* b = CacheBar(3 * half);
        const int row = half == 0 ? 2 : 11;
        char line[128];
        tui::strPrintf(line, "Cache: %3s     Delayed Write: %3s", LowerOnOff(b->CacheOn()), LowerOnOff(b->DelayedWrite()));
        writeText(10, row, line);
        tui::strPrintf(line, "Cache Buffers: Used: %4lu    Max: %4lu    Buffer Size: %6lu Bytes", b->UsedBuffers(),
                       b->MaxBuffers(), b->BufferBytes());
        writeText(10, row + 2, line);
        tui::strPrintf(line, "Replacements: %7lu   Flush Writes: %6lu  Cache Writes: %7lu", b->Replacements(),
                       b->FlushWrites(), b->CacheWrites());
        writeText(10, row + 6, line);
    }
}
