// CProgressBox: a progress window with a gauge, the percent and the
// elapsed and estimated times, updated from the caller's polling loop.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

#include "dialog_records.h"
#include "gauge.h"
#include "shad_window.h"

// The console's progress window record.
extern ProgressDef ConsoleProgress;

// The polling loop's pause: waits up to a second; true when ESC was pressed meanwhile.
bool EscWithinASecond();
// Whole seconds since `start`, for the elapsed and estimated times.
int SecondsSince(std::chrono::steady_clock::time_point start);

class CProgressBox {
public:
    // Takes the next dialog level and builds window and gauge.
    explicit CProgressBox(ProgressDef* def);
    ~CProgressBox();
    CProgressBox(const CProgressBox&) = delete;
    CProgressBox& operator=(const CProgressBox&) = delete;

    // Opens the gauge over 0..100 and shows the window with title and hint
    // (null: the record's); 1 or 0.
    int Open(const char* title = nullptr, const char* hint = nullptr);
    // Writes percent and times (seconds; -1: none) and sets the gauge's
    // value; the bar follows with the next Show. 1 or 0.
    int Update(int percent, int elapsed, int estimated);
    // Puts window and bar on the terminal; 1 or 0.
    int Show();

private:
    ProgressDef* def_;
    std::unique_ptr<tui::shadWindow> win_;
    std::unique_ptr<tui::gauge> gauge_;
    int level_;
    int ok_ = 0;
    int opened_ = 0;
    uint8_t colors_[9];
};
