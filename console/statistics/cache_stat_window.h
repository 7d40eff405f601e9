// CCacheStatWin (three cache bars) and CAdvCacheStatWin (six, data and
// parity cache, in administrator mode): cache hit rates and counters.
#pragma once

#include "cache_bars.h"
#include "stat_window.h"

class CCacheStatWin : public CStatWindow {
public:
    CCacheStatWin(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent);

    int Setup(CController& controller, int kind, int period) override;
    void Run() override;
    // The window and its bars.
    int show() override;
    void paint() override;
    void WriteLogHeader() override;
    void WriteLogRow() override;
    void ShowStatus() override;
    // The counter lines.
    virtual void ShowCounters();

protected:
    CCacheBar* CacheBar(int i) const { return static_cast<CCacheBar*>(Bar(i)); }
    // Adds a cache bar bound to the controller.
    void AddCacheBar(std::unique_ptr<CCacheBar> bar, int parity);
    // The window's own lines between the title and the bars.
    virtual void PaintHead();
    // Title, kind, period, name; the bars follow.
    void SetupCommon(CController& controller, int period);

    tui::frameSpec partFrame_{};
};

class CAdvCacheStatWin : public CCacheStatWin {
public:
    CAdvCacheStatWin(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent);

    int Setup(CController& controller, int kind, int period) override;
    void ShowCounters() override;

protected:
    void PaintHead() override;
};
