// The gauge on the in-memory screen.
#include <gtest/gtest.h>

#include "gauge.h"
#include "screen_fixture.h"

namespace tui::testing {
namespace {

using gaugeTest = screenTest;

gaugeStyle gaugeStyleOf(int frame, int width)
{
    gaugeStyle s;
    s.frameStyle = frame;
    s.frameAttr = 0x1E;
    s.fillAttr = 0x17;
    s.textAttr = 0x1F;
    s.barWidth = width;
    return s;
}

TEST_F(gaugeTest, BarFollowsTheValue)
{
    struct {
        int minimum, maximum, value, stored;
        const char* bar;
    } cases[] = {
        {0, 100, 55, 55, "█████▌    "},
        {0, 100, 100, 100, "██████████"},
        {0, 100, 0, 0, "          "},
        {0, 100, 150, 100, "██████████"},
        {100, 0, -5, 0, "██████████"},  // bounds in either order
        {10, 10, 10, 10, "          "},  // an empty range fills nothing
    };
    for (const auto& c : cases) {
        const gaugeStyle s = gaugeStyleOf(0, 10);
        gauge g(point(2, 1), &s, nullptr);
        ASSERT_EQ(g.open(c.minimum, c.maximum, nullptr, nullptr), 1);
        g.setValue(c.value);
        EXPECT_EQ(g.value(), c.stored);
        ASSERT_EQ(g.show(), 1);
        EXPECT_EQ(mem->text(2, 1, 10), c.bar) << c.value;
        EXPECT_EQ(mem->attrAt(2, 1), c.bar[0] == ' ' ? 0x17 : 0x1F);
    }
}

TEST_F(gaugeTest, FramedGaugeShowsItsTitles)
{
    const gaugeStyle s = gaugeStyleOf(4, 10);
    gauge g(point(0, 0), &s, nullptr);
    ASSERT_EQ(g.open(0, 10, "Top", "End"), 1);
    g.setValue(3);
    ASSERT_EQ(g.show(), 1);
    EXPECT_EQ(screenText(0, 0, 12, 3),
              "┌───Top────┐\n"
              "│███       │\n"
              "└───End────┘");
    g.setFrameAttr(0x17);
    EXPECT_EQ(mem->attrAt(0, 0), 0x17);
}

TEST_F(gaugeTest, ABarOfNoWidthPaintsNothing)
{
    const gaugeStyle s = gaugeStyleOf(0, 0);
    gauge g(point(0, 0), &s, nullptr);
    ASSERT_EQ(g.open(0, 100, nullptr, nullptr), 1);
    g.setValue(50);
    EXPECT_EQ(g.show(), 1);
}

}  // namespace
}  // namespace tui::testing
