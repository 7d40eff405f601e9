// Menu and list dialogs: key lists, the cascade, fitting and colours.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "dialog_colors.h"
#include "dialog_fixture.h"
#include "dialog_keys.h"
#include "dialog_list.h"
#include "dialog_menu.h"

namespace tui::testing {
namespace {

MenuDef mainMenu()
{
    return {10, 5, 0, " Main ", " Esc ", {{"&Alpha one", 1}, {"&Beta two", 2}, {"&Gamma three", 3}, {"&2nd four", 7}}};
}

TEST(matchKeyTest, DigitsStandForOfferedFunctionKeys)
{
    const struct {
        int listKey, pressed, matches, becomes;
    } cases[] = {
        {keyF(10), '0', 1, keyF(10)}, {keyF(1), '1', 1, keyF(1)}, {keyF(9), '9', 1, keyF(9)},
        {keyF(2), '1', 0, '1'},       {keyF(10), '1', 0, '1'},    {keyF(1), '2', 0, '2'},
        {'a', 'a', 1, 'a'},           {keyF(1), keyF(1), 1, keyF(1)}, {'0', '0', 1, '0'},
    };
    for (const auto& c : cases) {
        int pressed = c.pressed;
        EXPECT_EQ(MatchKey(c.listKey, pressed), c.matches) << c.listKey << " " << c.pressed;
        EXPECT_EQ(pressed, c.becomes);
    }
    const int keys[] = {keyF(4), keyF(10), -1};
    int pressed = '0';
    EXPECT_EQ(MatchKeyList(keys, pressed), 1);
    EXPECT_EQ(pressed, keyF(10));
    pressed = '5';
    EXPECT_EQ(MatchKeyList(nullptr, pressed), 0);
}

using menuDialogTest = dialogTest;

TEST_F(menuDialogTest, ListedKeysEndTheRun)
{
    MenuDef def = mainMenu();
    CTagMenu m(&def, 1);
    ASSERT_EQ(m.Open(), 1);
    const int f10[] = {keyF(10), -1};
    const int f1[] = {keyF(1), -1};

    mem->pushKeys({'0'});
    EXPECT_EQ(m.Run(1, f10), keyF(10));

    int key = -5;
    mem->pushKeys({keyDown, '0'});
    EXPECT_EQ(m.Run(1, f10, &key), 1) << "the position, not the id";
    EXPECT_EQ(key, keyF(10));

    mem->pushKeys({'2'});  // no F2 offered: the menu's hot key
    EXPECT_EQ(m.Run(1, f1, &key), 7);
    EXPECT_EQ(key, 0);

    mem->pushKeys({keyEsc});
    EXPECT_EQ(m.Run(1, f1), -1);
}

TEST_F(menuDialogTest, PresetResultReadsNoKeyAndFrameTurnsInactive)
{
    MenuDef def = mainMenu();
    CTagMenu m(&def, 1);
    ASSERT_EQ(m.Open(), 1);
    EXPECT_EQ(m.Run(2, nullptr, nullptr, 2), 2);
    EXPECT_EQ(Cascade().selected[1], 2);
    EXPECT_EQ(root->cellAt(10, 5).attr, 0x17) << "inactive frame: byte 8";
    EXPECT_EQ(m.InactiveFrameAttr(), 0x17);

    answerWhenWaiting({keyEnter});
    EXPECT_EQ(m.Run(3), 3);
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0].attrAt(10, 5), 0x1E) << "active frame: byte 0";
    EXPECT_EQ(shots[0].text(10, 5, 13), "┌── Main ───┐");
    EXPECT_EQ(shots[0].attrAt(12, 8), 0x70) << "selected item";
    EXPECT_EQ(shots[0].attrAt(11, 8), 0x7E) << "its hot key";
}

TEST_F(menuDialogTest, NestedMenuOpensBelowTheChosenItem)
{
    MenuDef def = mainMenu();
    CTagMenu first(&def, 1);
    ASSERT_EQ(first.Open(), 1);
    mem->pushKeys({keyDown, keyDown, keyEnter});
    ASSERT_EQ(first.Run(1), 3);
    CTagMenu second(&def, 0);
    ASSERT_EQ(second.Open(), 1);
    EXPECT_EQ(second.Menu()->position(), point(13, 9));
}

TEST_F(menuDialogTest, CascadeAndOpenKeepMenusOnTheScreen)
{
    const struct {
        int parentX, parentY, selected;
        point opened;
    } cases[] = {
        {10, 5, 3, {13, 9}},
        {30, 5, 1, {1, 7}},     // 33 + 52 reaches the right edge
        {10, 18, 1, {13, 4}},   // 20 + 4 items + 2 reaches the bottom
    };
    for (const auto& c : cases) {
        Cascade().x[0] = c.parentX;
        Cascade().y[0] = c.parentY;
        Cascade().selected[0] = c.selected;
        MenuDef def = mainMenu();
        CTagMenu m(&def, 0);
        ASSERT_EQ(m.Open(), 1);
        EXPECT_EQ(m.Menu()->position(), c.opened) << c.parentX << "," << c.parentY;
    }
    MenuDef corner = mainMenu();
    corner.x = 75;
    corner.y = 23;
    CTagMenu moved(&corner, 1);
    ASSERT_EQ(moved.Open(), 1);
    EXPECT_EQ(moved.Menu()->position(), point(64, 17));

    MenuDef wide = mainMenu();
    const std::string title(78, 'T');
    CTagMenu refused(&wide, 1);
    EXPECT_EQ(refused.Open(title.c_str()), 0);
    EXPECT_EQ(refused.Run(1), -3);
}

TEST_F(menuDialogTest, SingleFormatMakesEveryItemFromTheFirst)
{
    MenuDef def = {5, 5, 0, " Disks ", nullptr, {{"Disk %d", 99}, {"other", 5}}};
    CTagMenu m(&def, 1, 3, 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m.SetItemText(i, i * 10), 1);
    EXPECT_EQ(m.SetItemText(3, 30), 0);
    EXPECT_EQ(m.SetItemText(-1, 30), 0);
    ASSERT_EQ(m.Open(), 1);
    mem->pushKeys({keyDown, keyDown, keyEnter});
    EXPECT_EQ(m.Run(0), 2) << "ids 0, 1, 2";
    EXPECT_EQ(root->cellAt(6, 8).ch, 'D');
    EXPECT_EQ(screenText(6, 6, 7, 3), "Disk 0 \nDisk 10\nDisk 20");
}

TEST_F(menuDialogTest, ItemCountShortensTheMenuAndTextsFormatById)
{
    MenuDef def = mainMenu();
    def.items[1].text = "&Beta %s";  // a format
    CTagMenu m(&def, 1, 2);
    EXPECT_EQ(m.SetItemTextById(2, "x"), 1);
    EXPECT_EQ(m.SetItemTextById(3, "x"), 0) << "item 3 is cut off";
    ASSERT_EQ(m.Open(), 1);
    m.Show();
    EXPECT_EQ(m.Menu()->count(), 2);
    EXPECT_EQ(m.Menu()->itemText(1), "Beta x   ");
}

TEST_F(menuDialogTest, ASixteenthNestedDialogIsRefused)
{
    MenuDef def = mainMenu();
    std::vector<std::unique_ptr<CTagMenu>> open;
    for (int i = 0; i < 15; ++i) {
        open.push_back(std::make_unique<CTagMenu>(&def, 1));
        EXPECT_EQ(open.back()->IsOk(), 1) << i;
    }
    CTagMenu sixteenth(&def, 1);
    EXPECT_EQ(sixteenth.IsOk(), 0);
    EXPECT_EQ(sixteenth.Open(), 0);
    EXPECT_EQ(sixteenth.Run(1), -3);
    EXPECT_EQ(Cascade().level, 16);
    open.clear();
    EXPECT_EQ(Cascade().level, 1);
}

TEST_F(menuDialogTest, SchemeAttributesInColourAndMonochrome)
{
    const struct {
        int mono, scheme;
        uint8_t frame, text, selected, hotKey;
    } cases[] = {
        {0, 0, 0x1E, 0x1F, 0x70, 0x1E}, {1, 0, 0x07, 0x0F, 0x70, 0x0F},
        {0, 1, 0x1E, 0x1F, 0x1F, 0x1E}, {0, 3, 0x4E, 0x4F, 0x4F, 0x4E}, {1, 3, 0x07, 0x0F, 0x0F, 0x0F},
    };
    for (const auto& c : cases) {
        SetMonochromeFlag(c.mono);
        MenuDef def = mainMenu();
        def.scheme = c.scheme;
        CTagMenu m(&def, 1);
        ASSERT_EQ(m.Open(), 1);
        answerWhenWaiting({keyEsc});
        m.Run(1);
        ASSERT_EQ(shots.size(), 1u);
        const memoryScreen& s = shots[0];
        EXPECT_EQ(s.attrAt(10, 5), c.frame) << c.mono << " " << c.scheme;
        EXPECT_EQ(s.attrAt(12, 6), c.selected);
        EXPECT_EQ(s.attrAt(12, 7), c.text);
        EXPECT_EQ(s.attrAt(11, 7), (c.text & 0xF0) | (c.hotKey & 0x0F));
        m.Hide();
    }
    SetMonochromeFlag(0);
    EXPECT_EQ(ColorSet(4)[2], 0xBF) << "the wait box blinks";
    SetMonochromeFlag(1);
    EXPECT_EQ(ColorSet(4)[2], 0x0F);
    EXPECT_EQ(ColorSet(9), ColorSet(0));
}

using listDialogTest = dialogTest;

ListDef twoFormats()
{
    return {5, 3, 0, 1, 20, 5, " List ", " Hint ", "Head", {"first %d", "next %d"}};
}

TEST_F(listDialogTest, TheLastFormatServesEveryFurtherLine)
{
    ListDef def = twoFormats();
    CListBox list(&def, 4, 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(list.SetLine(i, i), 1);
    EXPECT_EQ(list.SetLine(4, 4), 0);
    EXPECT_EQ(list.SetLineText(-1, "x"), 0);
    EXPECT_EQ(list.SetLineText(4, "x"), 0);
    ASSERT_EQ(list.Open(), 1);
    mem->pushKeys({keyDown, keyDown, keyEnter});
    EXPECT_EQ(list.Run(0), 2);
    EXPECT_EQ(Cascade().selected[1], 4) << "line + 2";
    root->setAutoRefresh(1);
    EXPECT_EQ(screenText(5, 3, 22, 7),
              "┌─────── List ───────┐\n"
              "│Head                │\n"
              "│first 0             │\n"
              "│next 1              │\n"
              "│next 2              │\n"
              "│next 3              │\n"
              "└─────── Hint ───────┘");
}

TEST_F(listDialogTest, KeyOutReturnsTheLineAndTheCursorStandsOnIt)
{
    ListDef def = twoFormats();
    CListBox list(&def, 10, 1);
    for (int i = 0; i < 10; ++i)
        list.SetLine(i, i);
    ASSERT_EQ(list.Open(), 1);
    const int keys[] = {keyF(4), -1};
    int key = 0;
    answerWhenWaiting({keyDown, '4'});
    EXPECT_EQ(list.Run(0, keys, &key, -2, 1), 1);
    EXPECT_EQ(key, keyF(4));
    ASSERT_EQ(shots.size(), 2u);
    // Frame at row 3, head line at 4, lines from 5: column 1 of the list.
    EXPECT_EQ(shots[0].cursor(), point(6, 5));
    EXPECT_EQ(shots[1].cursor(), point(6, 6));
}

TEST_F(listDialogTest, ListsFitTheScreenHeight)
{
    const struct {
        int useRecord, y, lines, parentY;
        point at;
        int visible;
    } cases[] = {
        {1, 20, 10, 0, {5, 20}, 1},   // 20 + 5 + 3 reaches the bottom: 25 - 20 - 4 rows
        {1, 3, 3, 0, {5, 3}, 3},      // fewer lines than rows
        {0, 0, 30, 17, {3, 4}, 5},    // cascade: 18 + 5 + 3 reaches the bottom: up to row 4
    };
    for (const auto& c : cases) {
        Cascade().y[0] = c.parentY;
        ListDef def = twoFormats();
        def.y = c.y;
        def.headCount = 0;
        CListBox list(&def, c.lines, c.useRecord);
        ASSERT_EQ(list.Open(), 1);
        list.Show();
        root->setAutoRefresh(1);
        root->setAutoRefresh(0);
        int rows = 0;
        while (mem->text(c.at.x(), c.at.y() + 1 + rows, 1) == "│")
            ++rows;
        EXPECT_EQ(rows, c.visible) << c.y;
        EXPECT_EQ(mem->text(c.at.x(), c.at.y(), 1), "┌");
        list.Hide();
    }
}

TEST_F(listDialogTest, AnOuterListPaintsItsOwnLines)
{
    ListDef def = twoFormats();
    CListBox outer(&def, 2, 1);
    outer.SetLineText(0, "outer 0");
    outer.SetLineText(1, "outer 1");
    ASSERT_EQ(outer.Open(), 1);
    outer.Show();
    {
        ListDef innerDef = twoFormats();
        innerDef.x = 40;
        CListBox inner(&innerDef, 2, 1);
        inner.SetLineText(0, "inner 0");
        inner.SetLineText(1, "inner 1");
        ASSERT_EQ(inner.Open(), 1);
        EXPECT_EQ(Cascade().listLevel, 2);
        outer.Hide();
        outer.Show();
        root->setAutoRefresh(1);
        root->setAutoRefresh(0);
        EXPECT_EQ(mem->text(6, 5, 7), "outer 0");
    }
    EXPECT_EQ(Cascade().listLevel, 1);
}

}  // namespace
}  // namespace tui::testing
