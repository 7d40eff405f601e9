#include "frame_styles.h"

#include <algorithm>

#include "dialog_screen.h"

FrameStyles& ConsoleFrameStyles()
{
    static FrameStyles styles;
    return styles;
}

void InitFrameStyles()
{
    FrameStyles& s = ConsoleFrameStyles();
    s.titleWindow[0] = {4, 0x38, 0x38, 0x38, ' '};
    s.titleWindow[1] = {4, 0x07, 0x07, 0x07, ' '};
    s.statusLine[0] = {0, 0x38, 0x38, 0x38, ' '};
    s.statusLine[1] = {0, 0x07, 0x07, 0x07, ' '};
    const uint8_t bars[statisticsBarRecords][statisticsBarBytes] = {
        {0x1A, 0x1C, 0x1E, 0x0A, 0x0C},
        {0x1A, 0x12, 0x1E, 0x0A, 0x02},
        {0x1C, 0x14, 0x1E, 0x0C, 0x04},
        {0x1E, 0x16, 0x1E, 0x0E, 0x06},
    };
    const uint8_t monoBar[statisticsBarBytes] = {0x07, 0x07, 0x0F, 0x07, 0x07};
    for (int n = 0; n < statisticsBarRecords; ++n) {
        std::copy_n(bars[n], statisticsBarBytes, s.statisticsBar[n][0]);
        std::copy_n(monoBar, statisticsBarBytes, s.statisticsBar[n][1]);
    }
    for (auto& frame : s.statisticsFrame) {
        frame[0] = {0, 0x1E, 0x18, 0x1E, ' '};
        frame[1] = {0, 0x08, 0x08, 0x07, ' '};
    }
}

const tui::frameSpec& TitleWindowFrame()
{
    return ConsoleFrameStyles().titleWindow[MonochromeFlag()];
}

const tui::frameSpec& StatusLineFrame()
{
    return ConsoleFrameStyles().statusLine[MonochromeFlag()];
}

const uint8_t* StatisticsBar(int n)
{
    return ConsoleFrameStyles().statisticsBar[std::clamp(n, 1, statisticsBarRecords) - 1][MonochromeFlag()];
}

const tui::frameSpec& StatisticsFrame(int n)
{
    return ConsoleFrameStyles().statisticsFrame[std::clamp(n, 1, statisticsFrames) - 1][MonochromeFlag()];
}
