// Scrolling lists driven by key scripts on the in-memory screen.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "headline_roll.h"
#include "screen_fixture.h"
#include "str_printf.h"

namespace tui::testing {
namespace {

rollStyle rollStyleOf(int lines, int frame = 4)
{
    rollStyle s;
    s.frameStyle = frame;
    s.frameAttr = 0x1E;
    s.fillAttr = 0x17;
    s.textAttr = 0x1F;
    s.fillChar = ' ';
    s.selectedAttr = 0x70;
    s.width = 8;
    s.visible = lines;
    return s;
}

// Line texts "line N", kept alive for the list.
class lineTexts {
public:
    explicit lineTexts(int n)
    {
        for (int i = 0; i < n; ++i)
            texts_.push_back(formatText("line %d", i));
    }
    lineTextFunction function()
    {
        return [this](int i) { return texts_[i].c_str(); };
    }

private:
    std::vector<std::string> texts_;
};

using rollTest = screenTest;

struct pageCase {
    const char* name;
    int count;
    int start;
    std::vector<int> keys;
    std::vector<std::pair<int, int>> topAndCurrent;  // after each key
};

TEST_F(rollTest, KeysMoveTheCurrentLineAndScroll)
{
    const pageCase cases[] = {
        {"page down", 25, 3, {keyPageDown, keyPageDown, keyPageDown}, {{10, 13}, {15, 23}, {15, 24}}},
        {"page up", 25, 24, {keyUp, keyUp, keyUp, keyUp, keyPageUp, keyPageUp, keyPageUp},
         {{15, 23}, {15, 22}, {15, 21}, {15, 20}, {5, 10}, {0, 0}, {0, 0}}},
        {"home and end", 25, 24, {keyHome, keyEnd, keyHome}, {{15, 15}, {15, 24}, {15, 15}}},
        {"no wrap-around", 25, 0, {keyUp, keyEnd, keyDown, keyDown}, {{0, 0}, {0, 9}, {1, 10}, {2, 11}}},
        {"last line stays", 25, 24, {keyDown}, {{15, 24}}},
        {"escape arrows", 25, 12, {keyEscLeft, keyEscUp, keyEscHome, keyEscRight},
         {{15, 24}, {0, 0}, {15, 24}, {0, 0}}},
        {"fewer lines than the window", 5, 0, {keyPageDown, keyEnd, keyHome, keyPageUp, keyEscHome},
         {{0, 4}, {0, 4}, {0, 0}, {0, 0}, {0, 4}}},
    };
    for (const pageCase& c : cases) {
        SCOPED_TRACE(c.name);
        rollStyle s = rollStyleOf(10);
        lineTexts texts(c.count);
        roll r(point(0, 0), &s, nullptr);
        ASSERT_EQ(r.open(c.count, texts.function(), nullptr, nullptr), 1);
        ASSERT_EQ(r.showAt(c.start), 1);
        for (size_t i = 0; i < c.keys.size(); ++i) {
            EXPECT_EQ(r.key(c.keys[i]), -2);
            EXPECT_EQ(std::make_pair(r.top(), r.current()), c.topAndCurrent[i]) << "key " << i;
        }
    }
}

TEST_F(rollTest, SetCurrentClampsAndScrollsIntoView)
{
    rollStyle s = rollStyleOf(10);
    lineTexts texts(25);
    roll r(point(0, 0), &s, nullptr);
    r.open(25, texts.function(), nullptr, nullptr);
    r.setCurrent(-5);
    EXPECT_EQ(r.current(), 0);
    r.setCurrent(99);
    EXPECT_EQ(r.current(), 24);
    EXPECT_EQ(r.top(), 15);
    EXPECT_EQ(r.key(keyEnter), 24);
    EXPECT_EQ(r.key(keyEsc), -1);
    EXPECT_EQ(r.key('a'), -2);
}

TEST_F(rollTest, ScrollMarkersInBothModes)
{
    const struct {
        int count, start, mode;
        const char* top;
        const char* bottom;
    } cases[] = {
        {25, 0, 0, "┌────────┐", "└↓───────┘"}, {25, 12, 0, "┌↑───────┐", "└↓───────┘"},
        {25, 24, 0, "┌↑───────┐", "└────────┘"}, {5, 0, 0, "┌────────┐", "└────────┘"},
        {25, 0, 1, "┌■───────┐", "└↓───────┘"}, {25, 24, 1, "┌↑───────┐", "└■───────┘"},
        {5, 0, 1, "┌■───────┐", "└■───────┘"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.count << " lines from " << c.start << " mode " << c.mode);
        rollStyle s = rollStyleOf(10);
        lineTexts texts(c.count);
        roll r(point(0, 0), &s, nullptr);
        r.open(c.count, texts.function(), nullptr, nullptr);
        r.setMarkerMode(c.mode);
        r.showAt(c.start);
        EXPECT_EQ(screenText(0, 0, 10, 1), c.top);
        EXPECT_EQ(screenText(0, 11, 10, 1), c.bottom);
    }
}

TEST_F(rollTest, PaintsTheVisibleLinesWithTheSelection)
{
    rollStyle s = rollStyleOf(4);
    lineTexts texts(6);
    roll r(point(1, 0), &s, nullptr);
    r.open(6, texts.function(), "List", "Keys");
    mem->pushKeys({keyDown, keyDown, keyDown, keyDown, keyEnter});
    EXPECT_EQ(r.run(0), 4);
    EXPECT_EQ(screenText(1, 0, 10, 6),
              "┌↑─List──┐\n"
              "│line 1  │\n"
              "│line 2  │\n"
              "│line 3  │\n"
              "│line 4  │\n"
              "└↓─Keys──┘");
    EXPECT_EQ(mem->attrAt(2, 4), 0x70);
    EXPECT_EQ(mem->attrAt(2, 3), 0x1F);
    mem->pushKeys({keyEsc});
    EXPECT_EQ(r.run(2), -1);
}

TEST_F(rollTest, FrameChangesKeepTitlesAndMarkers)
{
    rollStyle s = rollStyleOf(3);
    lineTexts texts(6);
    roll r(point(0, 0), &s, nullptr);
    r.open(6, texts.function(), "L", nullptr);
    r.showAt(4);
    r.setFrameStyle(5);
    r.setFrameAttr(0x1C);
    EXPECT_EQ(screenText(0, 0, 10, 5),
              "╔↑══L════╗\n"
              "║line 2  ║\n"
              "║line 3  ║\n"
              "║line 4  ║\n"
              "╚↓═══════╝");
    EXPECT_EQ(mem->attrAt(1, 0), 0x1C);
    EXPECT_EQ(mem->attrAt(9, 4), 0x1C);
}

TEST_F(rollTest, MissingLineTextShowsAnEmptyLine)
{
    rollStyle s = rollStyleOf(3);
    roll r(point(0, 0), &s, nullptr);
    r.open(3, [](int i) { return i == 1 ? nullptr : "a long line of text"; }, nullptr, nullptr);
    r.showAt(0);
    EXPECT_EQ(screenText(1, 1, 8, 3), "a long l\n        \na long l");
}

TEST_F(rollTest, AnEmptyListClearsItsAreaAndShowsABareFrame)
{
    rollStyle s = rollStyleOf(3);
    lineTexts texts(3);
    roll r(point(0, 0), &s, nullptr);
    r.open(3, texts.function(), nullptr, nullptr);
    r.showAt(0);
    EXPECT_EQ(screenText(1, 1, 8, 1), "line 0  ");
    r.open(0, texts.function(), "Empty", nullptr);
    r.show();
    EXPECT_EQ(screenText(0, 0, 10, 5),
              "┌────────┐\n"
              "│        │\n"
              "│        │\n"
              "│        │\n"
              "└────────┘");
    EXPECT_EQ(r.key(keyEnter), -2);
    EXPECT_EQ(r.key(keyDown), -2);
    EXPECT_EQ(r.current(), 0);
}

TEST_F(rollTest, HeadLinesStayAboveTheScrollingLines)
{
    const struct {
        int mode;
        const char* text;
    } cases[] = {
        {0, "┌↑───────┐\n│Name    │\n│line 2  │\n│line 3  │\n└↓───────┘"},
        {1, "┌↑───────┐\n│  Name  │\n│line 2  │\n│line 3  │\n└↓───────┘"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        headlineRollStyle s;
        static_cast<rollStyle&>(s) = rollStyleOf(2);
        s.headCount = 1;
        s.headAttr = 0x1B;
        s.headMode = c.mode;
        lineTexts texts(5);
        const char* heads[] = {"Name", nullptr};
        headlineRoll r(point(0, 0), &s, nullptr);
        ASSERT_EQ(r.open(5, texts.function(), heads, nullptr, nullptr), 1);
        r.showAt(3);
        EXPECT_EQ(screenText(0, 0, 10, 5), c.text);
        EXPECT_EQ(mem->attrAt(3, 1), 0x1B);
        r.open(0, texts.function(), heads, nullptr, nullptr);  // head lines outlive the lines
        r.show();
        EXPECT_EQ(screenText(0, 0, 10, 3), c.mode ? "┌────────┐\n│  Name  │\n│        │" : "┌────────┐\n│Name    │\n│        │");
    }
}

}  // namespace
}  // namespace tui::testing
