// Windows on the in-memory screen: frames, drawing, clipping, show/hide.
#include <gtest/gtest.h>

#include "frame_of.h"
#include "screen_fixture.h"
#include "window.h"

namespace tui::testing {
namespace {

using windowTest = screenTest;

TEST_F(windowTest, FramesOfEveryStyle)
{
    const struct {
        int style;
        const char* text;
    } cases[] = {
        {0, "....\n....\n...."},  {1, "    \n .. \n    "},  {2, "╓──╖\n║..║\n╙──╜"},
        {3, "╒══╕\n│..│\n╘══╛"},  {4, "┌──┐\n│..│\n└──┘"},  {5, "╔══╗\n║..║\n╚══╝"},
        {6, "░░░░\n░..░\n░░░░"},  {7, "▒▒▒▒\n▒..▒\n▒▒▒▒"},  {8, "▓▓▓▓\n▓..▓\n▓▓▓▓"},
        {9, "████\n█..█\n████"},  {10, "█▀▀█\n█..█\n█▄▄█"}, {11, "■■■■\n■..■\n■■■■"},
        {12, "+--+\n|..|\n+--+"}, {13, "****\n*..*\n****"}, {14, "####\n#..#\n####"},
        {15, "!!!!\n!..!\n!!!!"}, {16, "....\n....\n...."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        frameSpec f = frameOf(c.style);
        window w(rect(1, 1, 4, 3), &f);
        ASSERT_EQ(w.show(), 1);
        EXPECT_EQ(screenText(1, 1, 4, 3), c.text);
        if (hasFrame(c.style)) {
            EXPECT_EQ(mem->attrAt(1, 1), 0x1E);
        }
        EXPECT_EQ(mem->attrAt(2, 2), 0x17);
    }
    EXPECT_EQ(screenText(1, 1, 4, 3), "    \n    \n    ");  // every window hid on deletion
}

TEST_F(windowTest, FramesOfOneRowAndOneColumn)
{
    frameSpec f = frameOf(4);
    window row(rect(0, 0, 4, 1), &f);
    window column(rect(6, 0, 1, 3), &f);
    row.show();
    column.show();
    EXPECT_EQ(screenText(0, 0, 4, 1), "└──┘");
    EXPECT_EQ(screenText(6, 0, 1, 3), "┐\n│\n┘");
}

TEST_F(windowTest, WriteIsCutAtTheEdges)
{
    const struct {
        int x, y;
        const char* text;
        const char* want;
    } cases[] = {
        {-2, 0, "abcdef", "cde\n..."}, {1, 1, "abcdef", "...\n.ab"}, {3, 0, "abc", "...\n..."},
        {-6, 0, "abcdef", "...\n..."}, {0, -1, "abc", "...\n..."},   {0, 2, "abc", "...\n..."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        frameSpec f = frameOf(0);
        window w(rect(0, 0, 3, 2), &f);
        w.show();
        w.write(c.x, c.y, c.text, 0x1F);
        EXPECT_EQ(screenText(0, 0, 3, 2), c.want);
    }
}

TEST_F(windowTest, WriteCenteredAndFill)
{
    frameSpec f = frameOf(0);
    window w(rect(0, 0, 10, 3), &f);
    w.show();
    w.writeCenteredText(0, "abcde");
    w.writeCenteredText(1, "abcdefghijkl");
    w.fill(-2, 2, 5, '=', 0x70);
    w.fill(8, 2, 9, '+', 0x70);
    EXPECT_EQ(screenText(0, 0, 10, 3), "..abcde...\nbcdefghijk\n===.....++");
    EXPECT_EQ(mem->attrAt(0, 0), 0x17);
    EXPECT_EQ(mem->attrAt(2, 0), 0x1F);
}

TEST_F(windowTest, HideRestoresTheBackgroundOnlyWhenSaved)
{
    frameSpec back = frameOf(0);
    frameSpec front = frameOf(4, ' ');
    window root(rect(0, 0, 8, 4), &back);
    root.show();
    window child(rect(2, 1, 4, 3), &front, &root);
    child.show();
    EXPECT_EQ(screenText(0, 0, 8, 4), "........\n..┌──┐..\n..│  │..\n..└──┘..");
    child.hide();
    EXPECT_EQ(screenText(0, 0, 8, 4), "........\n........\n........\n........");

    child.setSaveBackground(0);
    child.show();
    child.hide();
    EXPECT_EQ(screenText(0, 0, 8, 4), "........\n..┌──┐..\n..│  │..\n..└──┘..");
}

TEST_F(windowTest, ChildrenAreClippedAtEveryEdgeOfTheParent)
{
    const struct {
        int x, y;
        const char* shown;
    } cases[] = {
        {-2, -1, "x│....\n─┘....\n......\n......"},
        {4, -1, "....│x\n....└─\n......\n......"},
        {-2, 2, "......\n......\n─┐....\nx│...."},
        {4, 2, "......\n......\n....┌─\n....│x"},
        {-9, 0, "......\n......\n......\n......"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        frameSpec back = frameOf(0);
        frameSpec front = frameOf(4, 'x');
        window root(rect(0, 0, 6, 4), &back);
        root.show();
        window child(rect(c.x, c.y, 4, 3), &front, &root);
        ASSERT_EQ(child.show(), 1);
        child.write(0, 1, "yyyy", 0x1F);  // drawing and refresh stay clipped
        child.fill(-5, 1, 20, 'x', 0x17);
        child.drawFrame();
        child.refresh();
        EXPECT_EQ(screenText(0, 0, 6, 4), c.shown);
        child.hide();
        EXPECT_EQ(screenText(0, 0, 6, 4), "......\n......\n......\n......");
    }
}

TEST_F(windowTest, RootWindowsAreClippedAtTheScreen)
{
    useScreen(10, 4);
    frameSpec f = frameOf(4, 'x');
    window w(rect(8, 2, 4, 3), &f);
    w.show();
    EXPECT_EQ(screenText(6, 2, 4, 2), "  ┌─\n  │x");
    w.moveTo(-2, -1);
    EXPECT_EQ(screenText(0, 0, 10, 4), "x│        \n─┘        \n          \n          ");
    w.hide();
    EXPECT_EQ(screenText(0, 0, 10, 2), "          \n          ");
}

TEST_F(windowTest, GrandchildrenReachTheScreenThroughTheirAncestors)
{
    frameSpec a = frameOf(0, '.');
    frameSpec b = frameOf(4, ' ');
    frameSpec c = frameOf(0, '*');
    window root(rect(1, 1, 10, 5), &a);
    window mid(rect(2, 1, 6, 4), &b, &root);
    window leaf(rect(1, 1, 2, 1), &c, &mid);
    root.show();
    mid.show();
    leaf.show();
    EXPECT_EQ(leaf.screenPosition(), point(4, 3));
    EXPECT_EQ(screenText(4, 3, 2, 1), "**");
    leaf.write(1, 0, "z", 0x1F);
    EXPECT_EQ(screenText(4, 3, 2, 1), "*z");
}

TEST_F(windowTest, FirstDrawCreatesTheBufferAndAutoRefreshHoldsOutput)
{
    frameSpec f = frameOf(0);
    window w(rect(0, 0, 5, 1), &f);
    w.write(0, 0, "hi", 0x1F);  // before any show
    EXPECT_EQ(screenText(0, 0, 5, 1), "     ");
    w.show();
    EXPECT_EQ(screenText(0, 0, 5, 1), "hi...");

    w.setAutoRefresh(0);
    int flushes = mem->flushes();
    w.write(2, 0, "yo", 0x1F);
    EXPECT_EQ(mem->flushes(), flushes);
    EXPECT_EQ(screenText(0, 0, 5, 1), "hi...");
    w.setAutoRefresh(1);
    EXPECT_EQ(screenText(0, 0, 5, 1), "hiyo.");
}

TEST_F(windowTest, MoveToOfAnInvisibleWindowOnlyStoresTheOrigin)
{
    frameSpec f = frameOf(0, '#');
    window w(rect(0, 0, 2, 1), &f);
    EXPECT_EQ(w.moveTo(3, 1), 0);
    EXPECT_EQ(w.origin(), point(3, 1));
    EXPECT_EQ(screenText(3, 1, 2, 1), "  ");
    w.show();
    EXPECT_EQ(w.moveTo(5, 2), 1);
    EXPECT_EQ(screenText(3, 1, 4, 2), "    \n  ##");
}

TEST_F(windowTest, ResizeRedrawsTheWholeFrameAndKeepsTheInside)
{
    frameSpec back = frameOf(0);
    frameSpec f = frameOf(4, ' ');
    window root(rect(0, 0, 8, 6), &back);
    root.show();
    window w(rect(1, 0, 6, 4), &f, &root);
    w.show();
    w.write(1, 1, "ab", 0x1F);
    ASSERT_EQ(w.grow(0, -1), 1);
    EXPECT_EQ(screenText(0, 0, 8, 5), ".┌────┐.\n.│ab  │.\n.└────┘.\n........\n........");
    ASSERT_EQ(w.resize(6, 5), 1);
    EXPECT_EQ(screenText(0, 0, 8, 6),
              ".┌────┐.\n.│ab  │.\n.│    │.\n.│    │.\n.└────┘.\n........");
    w.resize(0, -3);  // sizes stay at least 1
    EXPECT_EQ(w.cellsWidth(), 1);
    EXPECT_EQ(w.cellsHeight(), 1);
}

TEST_F(windowTest, ScrollingAndClearingStayInsideTheWindow)
{
    frameSpec f = frameOf(0);
    window w(rect(0, 0, 4, 3), &f);
    w.show();
    w.writeText(0, 0, "abcd");
    w.writeText(0, 1, "efgh");
    w.writeText(0, 2, "ijkl");
    w.scrollUp(rect(0, 0, 4, 3), 1);
    EXPECT_EQ(screenText(0, 0, 4, 3), "efgh\nijkl\n....");
    w.scrollDown(rect(1, 0, 2, 3), 1);
    EXPECT_EQ(screenText(0, 0, 4, 3), "e..h\nifgl\n.jk.");
    w.scrollUp(rect(-5, -5, 50, 50), 99);
    EXPECT_EQ(screenText(0, 0, 4, 3), "....\n....\n....");
    w.writeText(0, 1, "wxyz");
    w.clear(rect(2, -1, 10, 3));
    EXPECT_EQ(screenText(0, 0, 4, 3), "....\nwx..\n....");
}

TEST_F(windowTest, SchemesRecolourTheWindow)
{
    frameSpec schemes[2] = {frameOf(4, ' ', 0x17), frameOf(5, ' ', 0x4F)};
    window w(rect(0, 0, 4, 3), &schemes[0], nullptr, schemes, 2);
    w.show();
    w.writeText(1, 1, "ab");
    EXPECT_EQ(w.setScheme(1), 1);
    EXPECT_EQ(w.schemeIndex(), 1);
    EXPECT_EQ(screenText(0, 0, 4, 3), "╔══╗\n║ab║\n╚══╝");
    EXPECT_EQ(mem->attrAt(1, 1), 0x4F);
    EXPECT_EQ(w.setScheme(2), 0);
    window plain(rect(0, 0, 2, 2), &schemes[0]);
    EXPECT_EQ(plain.setScheme(0), 0);
}

}  // namespace
}  // namespace tui::testing
