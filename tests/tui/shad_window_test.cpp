// Shadowed windows: the darkened strips, clipping and restoring.
#include <gtest/gtest.h>

#include "frame_of.h"
#include "screen_fixture.h"
#include "shad_window.h"

namespace tui::testing {
namespace {

using shadWindowTest = screenTest;

// '#' where a cell has the shadow attribute, '.' elsewhere.
std::string shadowMap(const memoryScreen& m, int x, int y, int w, int h)
{
    std::string out;
    for (int r = 0; r < h; ++r) {
        if (r)
            out += '\n';
        for (int c = 0; c < w; ++c)
            out += m.attrAt(x + c, y + r) == attrShadow ? '#' : '.';
    }
    return out;
}

TEST_F(shadWindowTest, ShadowDarkensTheRowBelowAndTheColumnRight)
{
    frameSpec back = frameOf(0, '.');
    frameSpec front = frameOf(4, ' ');
    window root(rect(0, 0, 20, 8), &back);
    root.show();
    shadWindow w(rect(5, 2, 10, 4), &front, &root);
    EXPECT_EQ(w.width(), 11);
    EXPECT_EQ(w.height(), 5);
    w.show();
    EXPECT_EQ(shadowMap(*mem, 4, 1, 13, 7),
              ".............\n"
              ".............\n"
              "...........#.\n"
              "...........#.\n"
              "...........#.\n"
              "..##########.\n"
              ".............");
    EXPECT_EQ(screenText(4, 5, 13, 2), ".└────────┘..\n.............");  // characters stay
    w.hide();
    EXPECT_EQ(shadowMap(*mem, 0, 0, 20, 8).find('#'), std::string::npos);
    EXPECT_EQ(mem->attrAt(15, 6), 0x17);
}

TEST_F(shadWindowTest, FramesAndShadowsOfEachStyleShowTogether)
{
    for (int style = 0; style <= 15; ++style) {
        SCOPED_TRACE(style);
        frameSpec back = frameOf(0, '.');
        frameSpec front = frameOf(style, ' ');
        window root(rect(0, 0, 6, 5), &back);
        root.show();
        shadWindow w(rect(1, 1, 3, 3), &front, &root);
        w.show();
        EXPECT_EQ(shadowMap(*mem, 0, 0, 6, 5), "......\n......\n....#.\n....#.\n..###.");
        EXPECT_EQ(screenText(4, 4, 1, 1), ".");
        const bool framed = hasFrame(style);
        EXPECT_EQ(mem->getCell(1, 1).ch, framed ? frameChar(style, frameTopLeft) : ' ');
        EXPECT_EQ(mem->getCell(3, 3).ch, framed ? frameChar(style, frameBottomRight) : ' ');
        EXPECT_EQ(mem->attrAt(1, 1), framed ? 0x1E : 0x17);
    }
}

TEST_F(shadWindowTest, ShadowIsClippedAtTheParentAndTheScreen)
{
    frameSpec back = frameOf(0, '.');
    frameSpec front = frameOf(4, ' ');
    window root(rect(0, 0, 20, 10), &back);
    root.show();
    shadWindow w(rect(11, 7, 8, 3), &front, &root);  // shadow row falls off the parent
    w.show();
    EXPECT_EQ(shadowMap(*mem, 17, 6, 3, 4), "...\n...\n..#\n..#");
    w.moveTo(13, 8);  // window and shadow partly off
    EXPECT_EQ(shadowMap(*mem, 0, 0, 20, 10).find('#'), std::string::npos);
    w.hide();

    useScreen(6, 4);
    shadWindow top(rect(3, 2, 3, 2), &front);  // a root window at the screen's corner
    top.show();
    EXPECT_EQ(screenText(0, 0, 6, 4), "      \n      \n   ┌─┐\n   └─┘");
    top.hide();
    EXPECT_EQ(screenText(0, 0, 6, 4), "      \n      \n      \n      ");
}

TEST_F(shadWindowTest, RootShadowDarkensTheScreen)
{
    frameSpec front = frameOf(4, ' ');
    shadWindow w(rect(1, 1, 3, 2), &front);
    w.show();
    EXPECT_EQ(shadowMap(*mem, 0, 0, 6, 5), "......\n......\n....#.\n..###.\n......");
    w.setShadow(0);
    w.hide();
    w.show();
    EXPECT_EQ(shadowMap(*mem, 0, 0, 6, 5).find('#'), std::string::npos);
}

TEST_F(shadWindowTest, ResizeOfAShownShadowWindowRestoresTheOldShadow)
{
    frameSpec back = frameOf(0, '.');
    frameSpec front = frameOf(4, ' ');
    window root(rect(0, 0, 8, 7), &back);
    root.show();
    shadWindow w(rect(1, 1, 4, 4), &front, &root);
    w.show();
    w.grow(0, -1);
    EXPECT_EQ(screenText(0, 0, 8, 6), "........\n.┌──┐...\n.│  │...\n.└──┘...\n........\n........");
    EXPECT_EQ(shadowMap(*mem, 0, 0, 8, 6), "........\n........\n.....#..\n.....#..\n..####..\n........");
}

}  // namespace
}  // namespace tui::testing
