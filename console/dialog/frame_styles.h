// Frames of the console's fixed windows and the attributes of its
// statistics bars, in a colour and a monochrome variant each.
#pragma once

#include <cstdint>

#include "frame_chars.h"

constexpr int statisticsBarRecords = 4;
constexpr int statisticsBarBytes = 5;
constexpr int statisticsFrames = 2;

// Index 0: colour, 1: monochrome.
struct FrameStyles {
    tui::frameSpec titleWindow[2];
    tui::frameSpec statusLine[2];
    uint8_t statisticsBar[statisticsBarRecords][2][statisticsBarBytes];
    tui::frameSpec statisticsFrame[statisticsFrames][2];
};

// The console's records (filled by InitFrameStyles).
FrameStyles& ConsoleFrameStyles();
// Fills the records; called once at program start.
void InitFrameStyles();
// The variants that the monochrome flag chooses.
const tui::frameSpec& TitleWindowFrame();
const tui::frameSpec& StatusLineFrame();
// Statistics bar record n (1-4).
const uint8_t* StatisticsBar(int n);
// Statistics frame n (1-2).
const tui::frameSpec& StatisticsFrame(int n);
