#include "driver_stat_window.h"

#include <cstdio>
#include <cstring>

#include "byte_order.h"
#include "console_screen.h"
#include "controller.h"
#include "ctl_driver_requests.h"
#include "dialog_colors.h"
#include "error_message.h"
#include "str_printf.h"

namespace {

constexpr const char* counterTexts[driverCounterCount] = {
    "Current io count:             %5d", "Maximal io count:             %5d",
    "Current requests in queue:    %5d", "Maximal requests in queue:    %5d",
    "Current cmd indexes busy:     %5d", "Maximal cmd indexes busy:     %5d",
    "Current scatter/gather count: %5d", "Maximal scatter/gather count: %5d",
};
// Column names of the log, in row order.
constexpr const char* logColumns[driverCounterCount] = {"IO cur",  "IO max",  "Req cur", "Req max",
                                                        "Cmd cur", "Cmd max", "SCG cur", "SCG max"};

}  // namespace

CDriverStatWin::CDriverStatWin(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent)
    : CStatWindow(area, frame, parent)
{
}

int CDriverStatWin::Setup(CController& controller, int, int period)
{
    controller_ = &controller;
    title_ = "Driver statistics";
    kind_ = statDriver;
    period_ = period;
    std::memset(record_, 0, sizeof record_);
    std::snprintf(defaultName_, sizeof defaultName_, "%s", "drvrstat.log");
    return 1;
}

int CDriverStatWin::Counter(int i) const
{
    return wire::get16(record_, driverCountersAt + 2 * static_cast<size_t>(i));
}

void CDriverStatWin::SetRecord(const uint8_t* record)
{
    std::memcpy(record_, record, sizeof record_);
}

void CDriverStatWin::paint()
{
    if (!isVisible())
        return;
    const int autoRefresh = window::autoRefresh();
    setAutoRefresh(0);
    PaintTitle();
    const uint8_t attr = ColorSet(schemeDialog)[colorText];
    for (int i = 0; i < driverCounterCount; ++i) {
        char line[64];
        tui::strPrintf(line, counterTexts[i], Counter(i));
        write(2, 3 * (i / 2) + 3 + i % 2, line, attr);
    }
    setAutoRefresh(autoRefresh);
}

void CDriverStatWin::Run()
{
    Begin();
    while (!WaitPeriod()) {
        uint8_t record[driverRecordSize] = {};
        const CtlResult rc = ctl_get_driver_statistics(static_cast<uint16_t>(controller_->index), record);
        if (rc != CTL_OK) {
            // The driver does not give its counters: said once, then the window closes.
            ShowErrorCode(rc);
            break;
        }
        SetRecord(record);
        setAutoRefresh(0);
        paint();
        ++samples_;
        if (logging_)
            WriteLogRow();
        ShowStatus();
        setAutoRefresh(1);
    }
    End();
}

void CDriverStatWin::ShowStatus()
{
    char text[256];
    tui::strPrintf(text, " Ctr: %s on %s,  Samples: %d,  Log: %s", TypeName(), MachineName(), samples_,
                   logging_ ? "ON" : "OFF");
    ShowStatusWindowText(0, text);
}

void CDriverStatWin::WriteLogHeader()
{
    WriteLogIntro();
    std::fputs("IO cur   = Current IO Count;        IO max   = Max. IO count\n", log_);
    std::fputs("Req cur  = Current requests in Q;   Req max  = Max. Requests in Q\n", log_);
    std::fputs("Cmd cur  = Current cmd idxs busy;   Cmd max  = Max. cmd idxs busy\n", log_);
    std::fputs("SCG cur  = Current sc./g. count;    SCG max  = Max. sc./g. count\n", log_);
    std::fputs("\n Time [ms]", log_);
    for (const char* column : logColumns)
        std::fprintf(log_, "%10s", column);
    std::fputs("\n", log_);
}

void CDriverStatWin::WriteLogRow()
{
    std::fprintf(log_, "%10lu", static_cast<unsigned long>(samples_) * 1000);
    for (int i = 0; i < driverCounterCount; ++i)
        std::fprintf(log_, "%10d", Counter(i));
    std::fputs("\n", log_);
    std::fflush(log_);
}
