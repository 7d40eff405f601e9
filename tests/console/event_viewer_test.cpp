// The event viewer's text helpers: word wrap of the detail box and the
// text column's cut.
#include <gtest/gtest.h>

#include <string>

#include "event_viewer.h"

namespace {

TEST(EventViewerText, WrapBreaksAtTheLastBlankWithinTheWidth)
{
    struct Case {
        std::string text;
        size_t width;
        std::string wrapped;
    };
    const Case cases[] = {
        {"short text", 50, "short text"},
        {"aaaa bbbb cccc", 10, "aaaa bbbb\ncccc"},
        {"aaaa bbbbbbbbbbbb", 10, "aaaa\nbbbbbbbbbbbb"},
        {"Adapter 0, " + std::string(120, 'A'), 50, "Adapter 0,\n" + std::string(120, 'A')},
        // After an unbroken stretch the rest is measured from position 50.
        {std::string(60, 'x') + " tail", 50, std::string(60, 'x') + " tail"},
        {std::string(60, 'x') + " " + std::string(45, 'y'), 50, std::string(60, 'x') + "\n" + std::string(45, 'y')},
    };
    for (const Case& c : cases) {
        std::string buffer = c.text;
        WrapText(buffer.data(), c.width);
        EXPECT_EQ(buffer, c.wrapped) << c.text;
    }
}

TEST(EventViewerText, TextsNearTheRoomAreCutWithDots)
{
    char out[300];
    FitEventText(std::string(45, 't').c_str(), 39, out, sizeof out);
    EXPECT_EQ(std::string(out), std::string(35, 't') + "...");
    FitEventText(std::string(37, 't').c_str(), 39, out, sizeof out);
    EXPECT_EQ(std::string(out), std::string(37, 't'));
    FitEventText(std::string(38, 't').c_str(), 39, out, sizeof out);
    EXPECT_EQ(std::string(out), std::string(35, 't') + "...");
    FitEventText("abc", 2, out, sizeof out);
    EXPECT_EQ(std::string(out), "...");
}

}  // namespace
