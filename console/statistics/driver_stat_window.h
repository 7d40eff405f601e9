// CDriverStatWin: the kernel driver's eight counters of a controller
// (administrator mode).
#pragma once

#include <cstdint>

#include "stat_window.h"

// The driver statistics record and where its counters lie.
constexpr int driverRecordSize = 22;
constexpr int driverCounterCount = 8;
constexpr int driverCountersAt = 6;

class CDriverStatWin : public CStatWindow {
public:
    CDriverStatWin(const tui::rect& area, const tui::frameSpec* frame, tui::window* parent);

    int Setup(CController& controller, int kind, int period) override;
    void Run() override;
    void paint() override;
    void WriteLogHeader() override;
    void WriteLogRow() override;
    void ShowStatus() override;
    // Counter i of the record (current and maximal IO count, requests in
    // queue, command indexes busy, scatter/gather count).
    int Counter(int i) const;
    // Takes a record as read from the driver.
    void SetRecord(const uint8_t* record);

private:
    uint8_t record_[driverRecordSize] = {};
};
