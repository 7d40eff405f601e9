// The settings box: fixed items above repeating line templates.
#include <gtest/gtest.h>

#include "dialog_fixture.h"
#include "settings_box.h"

namespace tui::testing {
namespace {

TEST(settingsTemplateTest, TheLastGroupRepeats)
{
    const struct {
        int line, templates, group, index;
    } cases[] = {
        {0, 2, 2, 0}, {1, 2, 2, 1}, {2, 2, 2, 0}, {3, 2, 2, 1}, {7, 2, 2, 1},
        {3, 3, 2, 1}, {4, 3, 2, 2}, {5, 3, 2, 1}, {4, 3, 1, 2},
        {1, 2, 0, 1}, {2, 2, 0, -1}, {0, 0, 2, -1}, {-1, 2, 2, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SettingsTemplateIndex(c.line, c.templates, c.group), c.index)
            << c.line << " " << c.templates << " " << c.group;
}

// Twelve fixed items (ids 0-11) and the templates A and B.
SettingsDef twelveItems(int group)
{
    return {2, 1, 0, 20, -1, group, 12, nullptr, nullptr,
            {{"Item &a", 0}, {"Item &b", 1}, {"Item &c", 2}, {"Item &d", 3}, {"Item &e", 4}, {"Item &f", 5},
             {"Item &g", 6}, {"Item &h", 7}, {"Item &i", 8}, {"Item &j", 9}, {"Item &k", 10}, {"Item &l", 11},
             {"A %d", 0}, {"B %d", 0}}};
}

using settingsBoxTest = dialogTest;

TEST_F(settingsBoxTest, LinesRepeatTheTemplatesPerGroup)
{
    SettingsDef def = twelveItems(2);
    CSettingsBox box(&def, 16, 1);
    for (int k = 0; k < 4; ++k)
        EXPECT_STREQ(box.EntryText(12 + k), k % 2 ? "B %d" : "A %d") << k;
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(box.SetLine(12 + k, k), 1);
    EXPECT_EQ(box.SetLine(16, 0), 0);
    EXPECT_EQ(box.SetLineText(-1, "x"), 0);
    EXPECT_STREQ(box.EntryText(15), "B 3");
    ASSERT_EQ(box.Open(" Settings ", " Hint "), 1);
    answerWhenWaiting({keyEsc});
    EXPECT_EQ(box.Run(0), -1);
    ASSERT_EQ(shots.size(), 1u);
    // The menu's bottom frame row is the lines' top frame row.
    EXPECT_EQ(shots[0].text(2, 1, 22), "┌───── Settings ─────┐");
    EXPECT_EQ(shots[0].text(2, 13, 22), "│Item l              │");
    EXPECT_EQ(shots[0].text(2, 14, 22), "┌────────────────────┐");
    EXPECT_EQ(shots[0].text(2, 15, 22), "│A 0                 │");
    EXPECT_EQ(shots[0].text(2, 18, 22), "│B 3                 │");
    EXPECT_EQ(shots[0].text(2, 19, 22), "└─────── Hint ───────┘");
    EXPECT_EQ(shots[0].attrAt(3, 2), 0x70) << "item a selected";
    EXPECT_EQ(shots[0].attrAt(3, 15), 0x1F) << "the inactive part shows no selection";
    EXPECT_EQ(shots[0].attrAt(24, 3), attrShadow);
}

TEST_F(settingsBoxTest, DownAndUpCrossBetweenTheParts)
{
    SettingsDef def = twelveItems(2);
    CSettingsBox box(&def, 16, 1);
    ASSERT_EQ(box.Open(nullptr, nullptr), 1);
    const struct {
        int start;
        std::vector<int> keys;
        int result, current, selected;
    } cases[] = {
        {10, {keyDown, keyDown, keyEnter}, 12, 12, 2},  // into the lines at line 0
        {12, {keyDown, keyDown, keyEnter}, 14, 14, 4},
        {13, {keyUp, keyUp, keyEnter}, 11, 11, 12},     // back to the last item
        {0, {keyUp, keyEnter}, 0, 0, 1},                // Up on the first item stays
    };
    for (const auto& c : cases) {
        Cascade().selected[1] = 0;
        for (int k : c.keys)
            mem->pushKeys({k});
        EXPECT_EQ(box.Run(c.start), c.result) << c.start;
        EXPECT_EQ(box.Current(), c.current) << c.start;
        EXPECT_EQ(Cascade().selected[1], c.selected) << c.start;
    }
    const int keys[] = {keyF(2), -1};
    mem->pushKeys({'2'});
    EXPECT_EQ(box.Run(5, keys), keyF(2));
    EXPECT_EQ(box.Run(5, nullptr, 7), 7) << "a preset reads no key";
    EXPECT_EQ(root->cellAt(2, 1).attr, 0x1E);
}

TEST_F(settingsBoxTest, WithoutGroupsDownStaysOnTheLastItem)
{
    SettingsDef def = twelveItems(0);
    CSettingsBox box(&def, 14, 1);
    ASSERT_EQ(box.Open(nullptr, nullptr), 1);
    mem->pushKeys({keyDown, keyEnter});
    EXPECT_EQ(box.Run(11), 11);
    EXPECT_EQ(box.Current(), 11);
}

TEST_F(settingsBoxTest, CascadedBoxesKeepWholeGroups)
{
    const struct {
        int group, visible;
    } cases[] = {{2, 4}, {3, 3}, {0, 5}};
    for (const auto& c : cases) {
        Cascade().y[0] = 10;
        SettingsDef def = twelveItems(c.group);
        CSettingsBox box(&def, 22, 0);
        EXPECT_EQ(box.VisibleLines(), c.visible) << c.group;
        ASSERT_EQ(box.Open(nullptr, nullptr), 1);
    }
}

TEST_F(settingsBoxTest, OnlyFixedItemsNeedNoLines)
{
    SettingsDef def = twelveItems(2);
    CSettingsBox box(&def, 12, 1);
    ASSERT_EQ(box.Open(nullptr, nullptr), 1);
    mem->pushKeys({keyUp, keyDown, keyDown, keyEnter});
    EXPECT_EQ(box.Run(11), 11);
}

}  // namespace
}  // namespace tui::testing
