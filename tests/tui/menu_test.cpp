// Menus driven by key scripts on the in-memory screen.
#include <gtest/gtest.h>

#include <vector>

#include "screen_fixture.h"
#include "tag_menu.h"

namespace tui::testing {
namespace {

menuStyle menuStyleOf(int frame = 4)
{
    menuStyle s;
    s.frameStyle = frame;
    s.frameAttr = 0x1E;
    s.fillAttr = 0x17;
    s.textAttr = 0x1F;
    s.fillChar = ' ';
    s.selectedAttr = 0x70;
    s.hotKeyAttr = 0x0E;
    s.disabledAttr = 0x18;
    return s;
}

using menuTest = screenTest;

TEST_F(menuTest, ItemRecordsKeepHotKeysAndDoubledAmpersands)
{
    menuStyle s = menuStyleOf();
    menu m(point(0, 0), &s, nullptr);
    const char* items[] = {"&Open", "E&xit", "a&&b", "&&x&y", nullptr};
    ASSERT_EQ(m.create(items, nullptr, nullptr), 1);
    EXPECT_EQ(m.recordWidth(), 6);
    const int hot[] = {1, 2, 0, 3};
    const char* text[] = {"Open", "Exit", "a&b ", "&xy "};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(m.hotKeyIndex(i), hot[i]) << i;
        EXPECT_EQ(m.itemText(i), text[i]) << i;
    }
}

TEST_F(menuTest, DrawsItemsSeparatorsTitlesAndHotKeys)
{
    menuStyle s = menuStyleOf();
    menu m(point(0, 0), &s, nullptr);
    const char* items[] = {"&Open file", "E&xit", "\xC4" "ab", "\xCD", "a&&b", nullptr};
    ASSERT_EQ(m.create(items, "Menu", "Esc"), 1);
    ASSERT_EQ(m.show(0), 1);
    EXPECT_EQ(screenText(0, 0, 11, 7),
              "┌──Menu───┐\n"
              "│Open file│\n"
              "│Exit     │\n"
              "│───ab────│\n"
              "│═════════│\n"
              "│a&b      │\n"
              "└───Esc───┘");
    EXPECT_EQ(mem->attrAt(1, 1), 0x7E);  // hot key on the selection
    EXPECT_EQ(mem->attrAt(2, 1), 0x70);
    EXPECT_EQ(mem->attrAt(2, 2), 0x1E);  // hot key of a plain item
    EXPECT_EQ(mem->attrAt(1, 2), 0x1F);
    EXPECT_EQ(mem->attrAt(1, 3), 0x1E);  // separators in the frame attribute
    EXPECT_EQ(m.size(), point(11, 7));
}

struct scriptCase {
    const char* name;
    int start;
    std::vector<int> keys;
    std::vector<int> results;
    int current;
};

TEST_F(menuTest, KeysMoveSelectAndChoose)
{
    const char* items[] = {"&Open", "E&xit", "\xC4", "&Save", "a&&b", "&&Copy &Quit", nullptr};
    const scriptCase cases[] = {
        {"hot key", 0, {'x'}, {1}, 1},
        {"upper-case hot key", 0, {'X'}, {1}, 1},
        {"hot key after &&", 0, {'q'}, {5}, 5},
        {"no such hot key", 3, {'z', '&'}, {-2, -2}, 3},
        {"down skips separator", 0, {keyDown, keyDown}, {-2, -2}, 3},
        {"up skips separator", 3, {keyUp}, {-2}, 1},
        {"up wraps to last", 0, {keyUp}, {-2}, 5},
        {"down wraps to first", 5, {keyDown}, {-2}, 0},
        {"enter", 4, {keyEnter}, {4}, 4},
        {"escape", 1, {keyEsc}, {-1}, 1},
        {"other keys decide nothing", 1, {keyHome, keyF(1), 514}, {-2, -2, -2}, 1},
        {"start on a separator", 2, {}, {}, 3},
    };
    for (const scriptCase& c : cases) {
        SCOPED_TRACE(c.name);
        menuStyle s = menuStyleOf();
        menu m(point(2, 1), &s, nullptr);
        ASSERT_EQ(m.create(items, nullptr, nullptr), 1);
        ASSERT_EQ(m.show(c.start), 1);
        std::vector<int> got;
        for (int k : c.keys)
            got.push_back(m.key(k));
        EXPECT_EQ(got, c.results);
        EXPECT_EQ(m.current(), c.current);
    }
}

TEST_F(menuTest, RunReadsKeysUntilADecision)
{
    menuStyle s = menuStyleOf();
    menu m(point(0, 0), &s, nullptr);
    const char* items[] = {"&One", "&Two", "T&hree", nullptr};
    m.create(items, nullptr, nullptr);
    mem->pushKeys({keyDown, keyDown, 'z', keyEnter});
    EXPECT_EQ(m.run(0), 2);
    EXPECT_EQ(mem->attrAt(1, 3), 0x70);
    mem->pushKeys({27});
    EXPECT_EQ(m.run(1), -1);
}

TEST_F(menuTest, MenuWithNothingSelectable)
{
    menuStyle s = menuStyleOf();
    menu m(point(0, 0), &s, nullptr);
    const char* items[] = {"\xC4", "\xCD" "x", nullptr};
    m.create(items, nullptr, nullptr);
    EXPECT_EQ(m.show(0), 1);
    EXPECT_EQ(m.current(), -1);
    EXPECT_EQ(m.key(keyEnter), -1);
    EXPECT_EQ(m.run(0), menuNothingSelectable);
    menu empty(point(0, 0), &s, nullptr);
    EXPECT_EQ(empty.run(0), menuShowFailed);  // never created
}

TEST_F(menuTest, FrameChangesRedrawFrameAndTitlesAndShadowAddsACell)
{
    menuStyle s = menuStyleOf();
    s.shadow = 1;
    menu m(point(0, 0), &s, nullptr);
    const char* items[] = {"&Open", "E&xit", nullptr};
    ASSERT_EQ(m.create(items, "M", "E"), 1);
    ASSERT_EQ(m.show(0), 1);
    EXPECT_EQ(m.size(), point(7, 5));  // 6 x 4 and the shadow
    EXPECT_EQ(mem->attrAt(6, 1), attrShadow);
    m.setFrameStyle(5);
    m.setFrameAttr(0x1C);
    EXPECT_EQ(screenText(0, 0, 6, 4),
              "╔═M══╗\n"
              "║Open║\n"
              "║Exit║\n"
              "╚═E══╝");
    EXPECT_EQ(mem->attrAt(0, 0), 0x1C);
    EXPECT_EQ(mem->attrAt(2, 0), 0x1C);  // title
    EXPECT_EQ(mem->attrAt(1, 1), 0x7E);  // items stay as they were
}

class tagMenuTest : public screenTest {
protected:
    void SetUp() override
    {
        screenTest::SetUp();
        m.create(items, ids, "T", "B");
    }
    const char* items[6] = {"&Open", "E&xit", "\xC4", "&Save", "&Load", nullptr};
    const int ids[5] = {10, 20, -1, 30, 40};
    menuStyle s = menuStyleOf();
    tagMenu m{point(1, 1), &s, nullptr};
};

TEST_F(tagMenuTest, KeysAnswerWithIds)
{
    m.showAt(30);
    EXPECT_EQ(m.current(), 3);
    EXPECT_EQ(m.key(keyEnter), 30);
    EXPECT_EQ(m.key('x'), 20);
    EXPECT_EQ(m.key(keyDown), -2);
    EXPECT_EQ(m.key(keyEsc), -1);
    m.showAt(99);
    EXPECT_EQ(m.current(), 0);
    mem->pushKeys({keyUp, keyEnter});
    EXPECT_EQ(m.run(10), 40);
}

TEST_F(tagMenuTest, DisabledItemsAreSkippedAndGreyed)
{
    m.showAt(20);
    m.disable(30);
    EXPECT_EQ(m.isEnabled(30), 0);
    EXPECT_EQ(m.isEnabled(-1), 0);
    EXPECT_EQ(m.isEnabled(77), 0);
    EXPECT_EQ(m.key(keyDown), -2);
    EXPECT_EQ(m.current(), 4);
    EXPECT_EQ(m.key('s'), -2);  // hot keys of disabled items do nothing
    m.paint();
    EXPECT_EQ(mem->attrAt(2, 5), 0x18);
    EXPECT_EQ(mem->attrAt(2, 5 - 1), 0x1E);  // separator
    m.disable(40);                           // the selection leaves it
    EXPECT_EQ(m.current(), 0);
    m.enable(30);
    EXPECT_EQ(m.key('s'), 30);
}

TEST_F(tagMenuTest, NoSelectableItemMeansNoCurrent)
{
    for (int id : {10, 20, 30, 40})
        m.disable(id);
    m.show();
    EXPECT_EQ(m.current(), -1);
    EXPECT_EQ(m.key(keyEnter), -1);
}

TEST_F(tagMenuTest, HidingAndShowingItemsOfAShownMenuKeepsAWholeFrame)
{
    frameSpec back;
    back.fillChar = '.';
    window root(rect(0, 0, 10, 9), &back);
    root.show();
    tagMenu inside(point(1, 1), &s, &root);
    inside.create(items, ids, "T", "B");
    inside.showAt(20);
    EXPECT_EQ(screenText(0, 0, 10, 8),
              "..........\n"
              ".┌─T──┐...\n"
              ".│Open│...\n"
              ".│Exit│...\n"
              ".│────│...\n"
              ".│Save│...\n"
              ".│Load│...\n"
              ".└─B──┘...");
    inside.hideItem(20);
    EXPECT_EQ(inside.current(), 3);
    EXPECT_EQ(inside.size(), point(6, 6));
    EXPECT_EQ(screenText(0, 0, 10, 8),
              "..........\n"
              ".┌─T──┐...\n"
              ".│Open│...\n"
              ".│────│...\n"
              ".│Save│...\n"
              ".│Load│...\n"
              ".└─B──┘...\n"
              "..........");
    EXPECT_EQ(inside.key('x'), -2);
    EXPECT_EQ(inside.indexOf(20, 0), -1);
    EXPECT_EQ(inside.indexOf(20, 1), 1);
    inside.hideItem(-1);  // separators refuse
    EXPECT_EQ(inside.size(), point(6, 6));
    inside.showItem(20);
    EXPECT_EQ(screenText(0, 0, 10, 8),
              "..........\n"
              ".┌─T──┐...\n"
              ".│Open│...\n"
              ".│Exit│...\n"
              ".│────│...\n"
              ".│Save│...\n"
              ".│Load│...\n"
              ".└─B──┘...");
    EXPECT_EQ(inside.key('x'), 20);
}

}  // namespace
}  // namespace tui::testing
